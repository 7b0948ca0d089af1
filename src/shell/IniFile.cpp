#include "shell/IniFile.h"

#include "shell/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

QString folded(const QString &name)
{
    return name.toCaseFolded();
}

QString keyId(const QString &section, const QString &key)
{
    return folded(section) + QChar(0) + folded(key);
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

QString valueOf(const QString &line)
{
    return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
}

const QByteArray Utf8Bom("\xEF\xBB\xBF");

} // namespace

bool IniFile::load(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        loadBytes(QByteArray());
        return true;
    }
    const auto fail = [&](const QString &cause) {
        if (error)
            *error = extraText(ExtraText::CannotRead).arg(path, cause);
        return false;
    };
    if (!info.isFile())
        return fail(extraText(ExtraText::NotRegularFile));
    QFile file(path);
    if (info.size() > MaxBytes)
        return fail(extraText(ExtraText::FileTooLarge));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    // The size may have grown since it was looked at, so on to the end in steps: a single
    // read of MaxBytes + 1 would set that much aside for the smallest file.
    QByteArray bytes;
    for (qint64 step = info.size() + 1; bytes.size() <= MaxBytes; step = 64 * 1024) {
        const QByteArray part = file.read(qMin(step, MaxBytes + 1 - bytes.size()));
        if (part.isEmpty())
            break;
        bytes += part;
    }
    if (bytes.size() > MaxBytes)
        return fail(extraText(ExtraText::FileTooLarge));
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    loadBytes(bytes);
    return true;
}

void IniFile::loadText(const QString &text)
{
    loadBytes(text.toUtf8());
}

void IniFile::loadBytes(const QByteArray &bytes)
{
    lines.clear();
    newLineEnd = "\n";
    bom = bytes.startsWith(Utf8Bom);
    const qsizetype size = bytes.size();
    qsizetype start = bom ? Utf8Bom.size() : 0;
    bool endSeen = false;
    // Stateless: a sequence cut at the line's end is an error, not pending input.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString section;
    while (start < size) {
        qsizetype stop = start;
        while (stop < size && bytes[stop] != '\n' && bytes[stop] != '\r')
            ++stop;
        qsizetype next = stop;
        if (next < size)
            next += (bytes[next] == '\r' && next + 1 < size && bytes[next + 1] == '\n') ? 2 : 1;

        Line line;
        line.raw = bytes.mid(start, stop - start);
        line.end = bytes.mid(stop, next - stop);
        if (!endSeen && !line.end.isEmpty()) {
            newLineEnd = line.end;
            endSeen = true;
        }
        utf8.resetState();
        line.text = utf8.decode(line.raw);
        if (utf8.hasError())
            line.text = QString::fromLatin1(line.raw);

        const QString trimmed = line.text.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']'))) {
            section = trimmed.mid(1, trimmed.indexOf(QLatin1Char(']')) - 1).trimmed();
            line.isSection = true;
        } else if (!isComment(trimmed)) {
            const int eq = line.text.indexOf(QLatin1Char('='));
            if (eq > 0)
                line.key = line.text.left(eq).trimmed();
        }
        line.section = section;
        lines.push_back(std::move(line));
        start = next;
    }
    rebuildIndex();
}

void IniFile::rebuildIndex()
{
    firstKeys.clear();
    sections.clear();
    for (LineIt it = lines.begin(); it != lines.end(); ++it)
        indexLine(it);
}

void IniFile::indexLine(LineIt it)
{
    if (it->isSection) {
        const QString name = folded(it->section);
        if (!sections.contains(name))
            sections.insert(name, Section{it, it});
        return;
    }
    if (it->key.isEmpty())
        return;
    const QString id = keyId(it->section, it->key);
    if (!firstKeys.contains(id))
        firstKeys.insert(id, it);
    auto section = sections.find(folded(it->section));
    if (section != sections.end())
        section->lastKey = it;
}

IniFile::Line *IniFile::findKey(const QString &section, const QString &key) const
{
    const auto found = firstKeys.constFind(keyId(section, key));
    return found == firstKeys.constEnd() ? nullptr : &**found;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    const Line *line = findKey(section, key);
    return line ? valueOf(line->text) : def;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int value = readString(section, key, QString()).toInt(&ok, 10);
    return ok ? value : def;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList result;
    for (const auto &entry : entries(section))
        result.append(entry.first);
    return result;
}

std::vector<std::pair<QString, QString>> IniFile::entries(const QString &section) const
{
    const QString name = folded(section);
    std::vector<std::pair<QString, QString>> result;
    for (const Line &line : lines) {
        if (!line.key.isEmpty() && folded(line.section) == name)
            result.emplace_back(line.key, valueOf(line.text));
    }
    return result;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findKey(section, key) != nullptr;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QString cleanKey = singleLine(key).trimmed();
    const QString cleanValue = singleLine(value);
    if (Line *existing = findKey(section, cleanKey)) {
        existing->text = existing->key + QLatin1Char('=') + cleanValue;
        existing->own = true;
        return;
    }

    Line added;
    added.key = cleanKey;
    added.text = cleanKey + QLatin1Char('=') + cleanValue;
    added.end = newLineEnd;
    added.own = true;
    const auto known = sections.constFind(folded(section));
    if (known == sections.constEnd()) {
        Line header;
        header.section = singleLine(section).trimmed();
        header.text = QLatin1Char('[') + header.section + QLatin1Char(']');
        header.end = newLineEnd;
        header.isSection = true;
        header.own = true;
        added.section = header.section;
        indexLine(lines.insert(lines.end(), std::move(header)));
        indexLine(lines.insert(lines.end(), std::move(added)));
        return;
    }
    added.section = known->lastKey->section;
    indexLine(lines.insert(std::next(known->lastKey), std::move(added)));
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::eraseSectionKeys(const QString &section)
{
    const QString name = folded(section);
    lines.remove_if(
        [&name](const Line &line) { return !line.key.isEmpty() && folded(line.section) == name; });
    rebuildIndex();
}

QByteArray IniFile::endOf(Lines::const_iterator it) const
{
    const auto next = std::next(it);
    if (next == lines.end())
        return it->end;
    // A last line without an end gets one when a line follows it.
    const QByteArray &end = it->end.isEmpty() ? newLineEnd : it->end;
    // A lone CR before a blank LF line would read back as one CRLF, and the
    // blank line would be gone; this happens where a line was added or removed.
    if (end == "\r" && next->text.isEmpty() && next->end.startsWith('\n'))
        return QByteArrayLiteral("\r\n");
    return end;
}

QString IniFile::text() const
{
    QString result;
    for (auto it = lines.begin(); it != lines.end(); ++it)
        result += it->text + QString::fromLatin1(endOf(it));
    return result;
}

QByteArray IniFile::bytes() const
{
    QByteArray result = bom ? Utf8Bom : QByteArray();
    for (auto it = lines.begin(); it != lines.end(); ++it)
        result += (it->own ? it->text.toUtf8() : it->raw) + endOf(it);
    return result;
}

bool IniFile::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    const auto fail = [&] {
        if (error)
            *error = extraText(ExtraText::CannotWrite).arg(path, file.errorString());
        return false;
    };
    // Unbuffered: a full disk or the file size limit fails a write of ours,
    // whose error names the cause, not a flush inside the commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    const QByteArray data = bytes();
    // A short write sets no error; the next one fails with the cause.
    for (qint64 done = 0; done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0)
            return fail();
        done += written;
    }
    if (!file.commit())
        return fail();
    return true;
}
