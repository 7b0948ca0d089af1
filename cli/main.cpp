// brezzano-cli: one controller from the command line, through the same
// session as the window. Arguments are checked before any link is opened.
#include "Arguments.h"
#include "Commands.h"
#include "Messages.h"
#include "link/Intervals.h"
#include "shell/Version.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    setCliLanguage(languageOf(args));

    const Invocation inv = parseArguments(args);
    if (inv.help) {
        std::fputs(cliText(CliText::Usage).toUtf8().constData(), stdout);
        return Done;
    }
    if (inv.version) {
        std::printf("brezzano-cli %s\n", BREZZANO_VERSION);
        return Done;
    }
    if (!inv.error.isEmpty()) {
        std::fprintf(stderr, "brezzano-cli: %s\n", inv.error.toUtf8().constData());
        return BadInput;
    }
    intervals().watchdog = inv.timeoutMs;
    return runCommand(inv);
}
