// brezzano-cli: one controller from the command line, through the same
// session as the window. Arguments are checked before any link is opened.
#include "Arguments.h"
#include "Commands.h"
#include "Messages.h"
#include "Output.h"
#include "shell/Texts.h"
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
    if (inv.version) {
        if (output::toStdout(QStringLiteral("brezzano-cli %1\n").arg(QLatin1String(BREZZANO_VERSION))))
            return Done;
        return Internal;
    }
    if (!inv.error.isEmpty()) {
        std::fprintf(stderr, "brezzano-cli: %s\n", escapeControls(inv.error).toUtf8().constData());
        return BadInput;
    }
    return runCommand(inv);
}
