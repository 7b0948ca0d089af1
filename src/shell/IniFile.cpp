#include "shell/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A line break or NUL inside a name or value would split the line on the next read.
QString singleLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    }
    return text;
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// Files edited by hand on older systems may not be UTF-8.
QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

} // namespace

bool IniFile::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        lines.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    loadText(decode(file.readAll()));
    return true;
}

void IniFile::loadText(const QString &text)
{
    lines.clear();
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    QStringList rawLines = body.split(QLatin1Char('\n'));
    if (!rawLines.isEmpty() && rawLines.constLast().isEmpty())
        rawLines.removeLast(); // the final line break does not open another line

    QString section;
    for (QString raw : rawLines) {
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        Line line;
        line.raw = raw;
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']'))) {
            section = trimmed.mid(1, trimmed.indexOf(QLatin1Char(']')) - 1).trimmed();
            line.isSection = true;
        } else if (!isComment(trimmed)) {
            const int eq = raw.indexOf(QLatin1Char('='));
            if (eq > 0)
                line.key = raw.left(eq).trimmed();
        }
        line.section = section;
        lines.push_back(std::move(line));
    }
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    for (const Line &line : lines) {
        if (!line.key.isEmpty() && sameName(line.section, section) && sameName(line.key, key))
            return line.raw.mid(line.raw.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return def;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int value = readString(section, key, QString()).trimmed().toInt(&ok, 10);
    return ok ? value : def;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList result;
    for (const Line &line : lines) {
        if (!line.key.isEmpty() && sameName(line.section, section))
            result.append(line.key);
    }
    return result;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    for (const Line &line : lines) {
        if (!line.key.isEmpty() && sameName(line.section, section) && sameName(line.key, key))
            return true;
    }
    return false;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QString cleanValue = singleLine(value);
    int sectionLine = -1;
    int lastKeyLine = -1;
    for (int i = 0; i < int(lines.size()); ++i) {
        Line &line = lines[i];
        if (!sameName(line.section, section))
            continue;
        if (line.isSection && sectionLine < 0)
            sectionLine = i;
        if (line.key.isEmpty())
            continue;
        if (sameName(line.key, key)) {
            line.raw = line.key + QLatin1Char('=') + cleanValue;
            return;
        }
        lastKeyLine = i;
    }

    Line added;
    added.key = singleLine(key).trimmed();
    added.raw = added.key + QLatin1Char('=') + cleanValue;
    if (sectionLine < 0) {
        Line header;
        header.section = singleLine(section).trimmed();
        header.raw = QLatin1Char('[') + header.section + QLatin1Char(']');
        header.isSection = true;
        added.section = header.section;
        lines.push_back(std::move(header));
        lines.push_back(std::move(added));
        return;
    }
    const int after = lastKeyLine >= 0 ? lastKeyLine : sectionLine;
    added.section = lines[after].section;
    lines.insert(lines.begin() + after + 1, std::move(added));
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::eraseSectionKeys(const QString &section)
{
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&section](const Line &line) {
                                   return !line.key.isEmpty() && sameName(line.section, section);
                               }),
                lines.end());
}

QString IniFile::text() const
{
    QString result;
    for (const Line &line : lines) {
        result += line.raw;
        result += QLatin1Char('\n');
    }
    return result;
}

bool IniFile::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = text().toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
