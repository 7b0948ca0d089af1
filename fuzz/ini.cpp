// The settings file through its public interface: any file loads, a value
// written reads back, and load, save, load gives the same file.
#include "Check.h"
#include "Folder.h"

#include "shell/IniFile.h"

#include <QFile>

namespace {

QString pathOf(const char *name)
{
    return fuzzFolder().filePath(QString::fromLatin1(name));
}

// A section or key name as the program writes them: letters and digits.
QString plainName(const QByteArray &bytes)
{
    QString name;
    for (const char c : bytes)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            name += QLatin1Char(c);
    return name.isEmpty() ? QStringLiteral("K") : name;
}

// What a value reads back as: line ends and NUL become blanks, the ends are trimmed.
QString readBack(QString value)
{
    for (QChar &c : value)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    return value.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FUZZ_CHECK(fuzzFolder().isValid());
    // The file, then after the last 0x01: section, key and value to write, split by 0x02.
    const QByteArray input(reinterpret_cast<const char *>(bytes), int(size));
    const int split = input.lastIndexOf('\x01');
    const QByteArray fileBytes = split < 0 ? input : input.left(split);
    const QList<QByteArray> edit = split < 0 ? QList<QByteArray>() : input.mid(split + 1).split('\x02');

    const QString first = pathOf("first.ini");
    const QString second = pathOf("second.ini");
    {
        QFile file(first);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(fileBytes) == fileBytes.size());
    }

    IniFile loaded;
    FUZZ_CHECK(loaded.load(first));
    QString section, key, value;
    if (edit.size() >= 3) {
        section = plainName(edit.at(0));
        key = plainName(edit.at(1));
        value = QString::fromUtf8(edit.at(2));
        loaded.writeString(section, key, value);
        FUZZ_CHECK(loaded.readString(section, key, QString()) == readBack(value));
    }
    FUZZ_CHECK(loaded.save(second));

    IniFile reloaded;
    FUZZ_CHECK(reloaded.load(second));
    FUZZ_CHECK(reloaded.text() == loaded.text());
    if (!section.isEmpty()) {
        FUZZ_CHECK(reloaded.readString(section, key, QString()) == readBack(value));
        FUZZ_CHECK(reloaded.keys(section) == loaded.keys(section));
    }
    for (const QString &own : {QStringLiteral("SENS"), QStringLiteral("LISTSENS")}) {
        FUZZ_CHECK(reloaded.keys(own) == loaded.keys(own));
        for (const QString &k : loaded.keys(own))
            FUZZ_CHECK(reloaded.readString(own, k, QString()) == loaded.readString(own, k, QString()));
    }
    return 0;
}
