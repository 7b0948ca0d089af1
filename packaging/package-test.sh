#!/usr/bin/env bash
# Unpacks the package into a temporary root, starts the installed program
# offscreen in a temporary folder with a loopback settings file, and stops it by
# its process id; checks the bridge's package beside it when one is named.
# Usage: package-test.sh PACKAGE.deb [BRIDGE.deb]
set -euo pipefail
deb="$1"
bridge="${2:-}"
root=$(mktemp -d)
work=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; rm -rf "$root" "$work"; }
trap cleanup EXIT

dpkg-deb -x "$deb" "$root"
for f in usr/bin/brezzano usr/bin/brezzano-sim usr/bin/brezzano-cli usr/bin/brezzano-launch \
         usr/share/applications/brezzano.desktop usr/share/icons/hicolor/scalable/apps/brezzano.svg \
         usr/share/brezzano/man/En/man.pdf usr/share/brezzano/man/It/man.pdf; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "no Qt dependency: $(dpkg-deb -f "$deb" Depends)"; exit 1; }

# Every program has its manual page, and the simulator's and the command-line tool's pages name every option that their --help lists.
for b in brezzano brezzano-sim brezzano-cli brezzano-launch; do
  [ -e "$root/usr/share/man/man1/$b.1.gz" ] || { echo "no manual page for $b"; exit 1; }
done
page=$(zcat "$root/usr/share/man/man1/brezzano-sim.1.gz" | sed 's/\\-/-/g')
for opt in $("$root/usr/bin/brezzano-sim" --help | grep -o '^  \(-[a-z], \)\?--[a-z-]*' | grep -o -- '--[a-z-]*'); do
  case "$opt" in --help|--help-all|--version) continue ;; esac
  grep -qE -- "${opt}([^a-z-]|$)" <<<"$page" || { echo "brezzano-sim.1 does not describe $opt"; exit 1; }
done
page=$(zcat "$root/usr/share/man/man1/brezzano-cli.1.gz" | sed 's/\\-/-/g')
for opt in $("$root/usr/bin/brezzano-cli" --help | grep -o '^  --[a-z-]*'); do
  case "$opt" in --help|--version) continue ;; esac
  grep -qE -- "${opt}([^a-z-]|$)" <<<"$page" || { echo "brezzano-cli.1 does not describe $opt"; exit 1; }
done
# The command-line tool needs no display: it links neither Qt Gui nor Widgets.
if ldd "$root/usr/bin/brezzano-cli" | grep -q 'libQt6\(Gui\|Widgets\)'; then
  echo "brezzano-cli links Qt Gui or Widgets"; exit 1
fi
# Running as root is normal in CI; lintian only warns about it.
report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$report" ] || { echo "lintian:"; echo "$report"; exit 1; }

# Nothing listens on this address: the program starts, fails to connect and keeps running.
printf '[SENS]\nNETTYPE=1\nIP=127.0.0.201\nAUTOAUPD=0\nLANGUAGE=0\n' > "$work/brezzano.ini"
(cd "$work" && QT_QPA_PLATFORM=offscreen exec "$root/usr/bin/brezzano") > "$work/out.log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
  echo "the installed program did not keep running:"; cat "$work/out.log"; exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""

if [ -n "$bridge" ]; then
  broot=$(mktemp -d)
  trap 'cleanup; rm -rf "$broot"' EXIT
  dpkg-deb -x "$bridge" "$broot"
  for f in usr/bin/brezzano-bridge lib/systemd/system/brezzano-bridge.service \
           usr/share/man/man1/brezzano-bridge.1.gz usr/share/doc/brezzano-bridge/examples/bridge.ini; do
    [ -e "$broot/$f" ] || { echo "missing from the bridge package: $f"; exit 1; }
  done
  # A headless server installs it alone: no Qt Gui or Widgets, linked or depended on.
  if dpkg-deb -f "$bridge" Depends | grep -q 'libqt6\(gui\|widgets\)'; then
    echo "the bridge package depends on Qt Gui or Widgets: $(dpkg-deb -f "$bridge" Depends)"; exit 1
  fi
  if ldd "$broot/usr/bin/brezzano-bridge" | grep -q 'libQt6\(Gui\|Widgets\)'; then
    echo "brezzano-bridge links Qt Gui or Widgets"; exit 1
  fi
  page=$(zcat "$broot/usr/share/man/man1/brezzano-bridge.1.gz" | sed 's/\\-/-/g')
  for opt in $("$broot/usr/bin/brezzano-bridge" --help | grep -o -- '--[a-z-]*'); do
    grep -qE -- "${opt}([^a-z-]|$)" <<<"$page" || { echo "brezzano-bridge.1 does not describe $opt"; exit 1; }
  done
  report=$(lintian "$bridge" 2>&1 | grep -v 'running with root privileges' || true)
  [ -z "$report" ] || { echo "lintian:"; echo "$report"; exit 1; }
  echo "package ok: $(dpkg-deb -f "$bridge" Package) $(dpkg-deb -f "$bridge" Version)"
fi
echo "package ok: $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)"
