// The tool's command line and environment: a refused invocation always has a
// message (the tool then exits 2 before any link is opened), and an accepted
// one asks only for what the controller takes.
#include "Check.h"
#include "Folder.h"

#include "Arguments.h"
#include "Messages.h"
#include "units/Setting.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

// The parser reads a schedule from a named file or from standard input: here the one file
// it may find is the fuzzed schedule in an otherwise empty folder, and standard input is empty.
const QTemporaryDir &folder()
{
    static const bool quiet = std::freopen("/dev/null", "r", stdin) != nullptr;
    FUZZ_CHECK(fuzzFolder().isValid() && quiet);
    return fuzzFolder();
}

bool inRange(const std::optional<int> &temp)
{
    return !temp || (*temp >= setting::MinTemp && *temp <= setting::MaxTemp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FUZZ_CHECK(folder().isValid());
    // Arguments split by NUL; one that starts with 0x01 is NAME=VALUE of the environment;
    // after the first 0x02, the file "schedule.json". A slash becomes '_': every name is
    // one inside the folder.
    QByteArray input(reinterpret_cast<const char *>(bytes), int(size));
    const QString schedulePath = folder().filePath(QStringLiteral("schedule.json"));
    QFile::remove(schedulePath);
    if (const int split = input.indexOf('\x02'); split >= 0) {
        QFile file(schedulePath);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        file.write(input.mid(split + 1));
        input.truncate(split);
    }
    QStringList args;
    QProcessEnvironment env;
    for (QByteArray part : input.split('\0')) {
        part.replace('/', '_');
        if (part.startsWith('\x01')) {
            const int eq = part.indexOf('=');
            if (eq > 1)
                env.insert(QString::fromUtf8(part.mid(1, eq - 1)), QString::fromUtf8(part.mid(eq + 1)));
        } else {
            args << QString::fromUtf8(part);
        }
    }

    setCliLanguage(languageOf(args));
    // In the folder only while parsing: the fuzzer reads and writes its corpus by relative paths.
    const QString home = QDir::currentPath();
    FUZZ_CHECK(QDir::setCurrent(folder().path()));
    const Invocation inv = parseArguments(args, env);
    FUZZ_CHECK(QDir::setCurrent(home));
    if (inv.version)
        return 0;
    if (!inv.error.isEmpty()) {
        FUZZ_CHECK(!inv.error.trimmed().isEmpty());
        return 0;
    }
    FUZZ_CHECK(inv.command != Command::None);
    FUZZ_CHECK(inv.timeoutMs >= 100 && inv.timeoutMs <= 3600 * 1000);
    FUZZ_CHECK(!inv.password || passwordFits(*inv.password));
    if (inv.command == Command::Help || inv.command == Command::Book)
        return 0;
    FUZZ_CHECK(!inv.host.isEmpty());
    for (size_t i = 0; i < inv.units.size(); ++i) {
        FUZZ_CHECK(inv.units[i] >= 0 && inv.units[i] <= 63);
        FUZZ_CHECK(std::count(inv.units.begin(), inv.units.end(), inv.units[i]) == 1);
    }
    if (inv.command == Command::Set) {
        const UnitChange &c = inv.change;
        FUZZ_CHECK(inv.allUnits != !inv.units.empty());
        FUZZ_CHECK(c.namesStatus() || c.name);
        FUZZ_CHECK(!c.modeButton || (*c.modeButton >= 0 && *c.modeButton < int(setting::ModeValues.size())));
        FUZZ_CHECK(inRange(c.temp) && inRange(c.tmin) && inRange(c.tmax));
        if (c.name) {
            FUZZ_CHECK(inv.units.size() == 1 && !inv.allUnits && c.name->size() <= setting::UnitNameChars);
            for (const QChar ch : *c.name)
                FUZZ_CHECK(ch.unicode() >= 0x20 && ch.unicode() <= 0xFF && ch.unicode() != 0x7F);
        }
    }
    if (inv.command == Command::ScheduleGet || inv.command == Command::ScheduleSet)
        FUZZ_CHECK(inv.units.size() == 1 && !inv.allUnits);
    if (inv.command == Command::ScheduleSet)
        FUZZ_CHECK(int(inv.schedule.size()) <= TprogRecordList::MaxEdited);
    return 0;
}
