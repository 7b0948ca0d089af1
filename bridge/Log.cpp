#include "Log.h"

#include <QByteArray>

#include <cstdio>

namespace bridge {

namespace {

// One line each, whatever a device, a broker client or a name put in it: a control
// character or line separator would start a line of its own, of any priority.
QString escaped(const QString &line)
{
    QString out;
    out.reserve(line.size());
    for (const QChar ch : line) {
        const auto category = ch.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph || category == QChar::Other_Format)
            out += QStringLiteral("\\x{%1}").arg(ch.unicode(), 0, 16);
        else
            out += ch;
    }
    return out;
}

void write(const char *priority, const QString &line)
{
    const QByteArray text = priority + escaped(line).toUtf8() + '\n';
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
