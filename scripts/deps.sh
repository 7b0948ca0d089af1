#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, and
# only those that are missing. Safe to run again: with everything present it
# does nothing.
set -euo pipefail

packages=(
  cmake make g++ pkg-config mosquitto libmosquitto-dev openssl
  qt6-base-dev qt6-base-dev-tools qt6-pdf-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libqt6sql6-sqlite
  fonts-dejavu-core qt6-translations-l10n
  dpkg-dev
)
case "${1:-}" in
  # A virtual display for running the application without one (xvfb-run); install it before
  # starting xvfb-run. Screenshot tools install their own.
  --run) packages+=(xvfb xauth) ;;
  # libFuzzer comes with clang's runtime libraries of the same version.
  --fuzz) packages+=(clang libclang-rt-dev) ;;
  --format) packages+=(clang-format) ;;
  # The package test checks the package with lintian.
  --test) packages+=(lintian) ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
