#include "Log.h"

#include "shell/Texts.h"

#include <QByteArray>

#include <cstdio>

namespace bridge {

namespace {

void write(const char *priority, const QString &line)
{
    const QByteArray text = priority + escapeControls(line).toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    switch (type) {
    case QtDebugMsg:
        write("<7>", message);
        break;
    case QtInfoMsg:
        write("<6>", message);
        break;
    case QtWarningMsg:
        write("<4>", message);
        break;
    case QtCriticalMsg:
    case QtFatalMsg:
        write("<3>", message);
        break;
    }
}

} // namespace

void logInfo(const QString &line)
{
    write("<6>", line);
}

void logWarning(const QString &line)
{
    write("<4>", line);
}

void logError(const QString &line)
{
    write("<3>", line);
}

void installLogHandler()
{
    qInstallMessageHandler(qtMessage);
}

} // namespace bridge
