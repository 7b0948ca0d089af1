#include "Arguments.h"

#include "Messages.h"
#include "schedules/ProgramJson.h"
#include "shell/Texts.h"
#include "units/Setting.h"
#include "units/UnitTable.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int LastPanelUnit = 63;
constexpr const char *VeryLow = "very-low";

std::optional<int> unitAddress(const QString &text)
{
    bool ok = false;
    const int adr = text.toInt(&ok);
    if (!ok || adr < 0 || adr > LastPanelUnit || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return adr;
}

template <size_t N> QString choices(const std::array<const char *, N> &words)
{
    QStringList list;
    for (const char *word : words)
        list << QLatin1String(word);
    return list.join(QLatin1String(", "));
}

// One FIELD=VALUE of `set`; the reason when it is refused.
QString takeField(UnitChange &change, const QString &argument)
{
    const qsizetype eq = argument.indexOf(QLatin1Char('='));
    const QString key = eq < 0 ? argument : argument.left(eq);
    const QString value = eq < 0 ? QString() : argument.mid(eq + 1);
    const auto once = [&](auto &field, auto parsed) {
        if (field)
            return cliText(CliText::RepeatedField).arg(key);
        field = parsed;
        return QString();
    };
    const auto onOff = [&]() -> std::optional<bool> {
        if (value == QLatin1String("on"))
            return true;
        if (value == QLatin1String("off"))
            return false;
        return std::nullopt;
    };
    if (eq < 0)
        return cliText(CliText::UnknownField).arg(argument);
    if (key == QLatin1String("mode")) {
        const int button = setting::modeButtonNamed(value);
        return button < 0 ? cliText(CliText::BadChoice).arg(key, value, choices(setting::ModeWords))
                          : once(change.modeButton, button);
    }
    if (key == QLatin1String("fan")) {
        // Very low has no button in the window; the unit's read-back tells whether it took it.
        if (value == QLatin1String(VeryLow))
            return once(change.fan, quint8(units::FanVeryLow));
        const int button = setting::fanButtonNamed(value);
        return button < 0 ? cliText(CliText::BadChoice)
                                .arg(key, value, choices(setting::FanWords) + QStringLiteral(", ") + VeryLow)
                          : once(change.fan, quint8(setting::FanValues[size_t(button)]));
    }
    if (key == QLatin1String("temp") || key == QLatin1String("tmin") || key == QLatin1String("tmax")) {
        bool ok = false;
        const int temp = value.toInt(&ok);
        if (!ok || temp < setting::MinTemp || temp > setting::MaxTemp)
            return cliText(CliText::BadTemp).arg(key, value).arg(setting::MinTemp).arg(setting::MaxTemp);
        return once(key == QLatin1String("temp")   ? change.temp
                    : key == QLatin1String("tmin") ? change.tmin
                                                   : change.tmax,
                    temp);
    }
    if (key == QLatin1String("remote") || key == QLatin1String("flap") || key == QLatin1String("schedule")) {
        const std::optional<bool> on = onOff();
        if (!on)
            return cliText(CliText::BadChoice).arg(key, value, QStringLiteral("on, off"));
        return once(key == QLatin1String("flap")       ? change.flap
                    : key == QLatin1String("schedule") ? change.schedule
                                                       : change.remoteEnabled,
                    *on);
    }
    if (key == QLatin1String("name")) {
        // The controller keeps one byte a character: anything else would arrive garbled.
        const bool fits =
            value.size() <= setting::UnitNameChars && std::all_of(value.begin(), value.end(), [](QChar c) {
                return c.unicode() >= 32 && c.unicode() <= 255 && c != QChar(127);
            });
        if (!fits)
            return cliText(CliText::BadName).arg(setting::UnitNameChars);
        return once(change.name, value);
    }
    return cliText(CliText::UnknownField).arg(argument);
}

QString takeUnits(Invocation &inv, const QString &text)
{
    if (text == QLatin1String("all")) {
        inv.allUnits = true;
        return {};
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const std::optional<int> adr = unitAddress(part);
        if (!adr)
            return cliText(CliText::BadUnits).arg(text);
        if (std::find(inv.units.begin(), inv.units.end(), *adr) == inv.units.end())
            inv.units.push_back(*adr);
    }
    return {};
}

QString takeSchedule(Invocation &inv, const QString &path)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        return extraText(ExtraText::CannotRead).arg(path, file.errorString());
    const schedule::JsonRead read = schedule::fromJson(file.read(1024 * 1024));
    switch (read.error) {
    case schedule::JsonError::None:
        inv.schedule = read.entries;
        return {};
    case schedule::JsonError::NotAnObject:
        return cliText(CliText::ScheduleNotJson).arg(path);
    case schedule::JsonError::BadEntry:
        return cliText(CliText::ScheduleBadEntry).arg(path).arg(read.entry).arg(read.field);
    case schedule::JsonError::TooMany:
        return cliText(CliText::ScheduleTooMany).arg(path).arg(TprogRecordList::MaxEdited);
    case schedule::JsonError::SameMinute:
        return cliText(CliText::ScheduleSameMinute).arg(path).arg(read.entry);
    }
    return {};
}

// The command and its arguments; the reason when they are refused.
QString takeCommand(Invocation &inv, const QStringList &words)
{
    if (words.isEmpty())
        return cliText(CliText::MissingCommand);
    const QString &name = words.first();
    const auto wrong = [&] { return cliText(CliText::WrongArguments).arg(name); };
    if (name == QLatin1String("help")) {
        inv.command = Command::Help;
        inv.helpTopic = words.value(1);
        return words.size() <= 2 ? QString() : wrong();
    }
    if (name == QLatin1String("module") || name == QLatin1String("book")) {
        inv.command = name == QLatin1String("book") ? Command::Book : Command::Module;
        return words.size() == 1 ? QString() : wrong();
    }
    if (name == QLatin1String("units")) {
        inv.command = Command::Units;
        if (words.size() > 2)
            return wrong();
        if (words.size() == 2)
            return takeUnits(inv, words.at(1));
        inv.allUnits = true;
        return {};
    }
    if (name == QLatin1String("set")) {
        inv.command = Command::Set;
        if (words.size() < 2)
            return wrong();
        if (QString why = takeUnits(inv, words.at(1)); !why.isEmpty())
            return why;
        for (const QString &field : words.mid(2))
            if (QString why = takeField(inv.change, field); !why.isEmpty())
                return why;
        if (!inv.change.namesStatus() && !inv.change.name)
            return cliText(CliText::NothingToSet);
        if (inv.change.name && (inv.allUnits || inv.units.size() != 1))
            return cliText(CliText::NameOneUnit);
        return {};
    }
    if (name == QLatin1String("schedule")) {
        const QString verb = words.value(1);
        const bool get = verb == QLatin1String("get");
        if ((!get && verb != QLatin1String("set")) || words.size() != (get ? 3 : 4))
            return wrong();
        inv.command = get ? Command::ScheduleGet : Command::ScheduleSet;
        const std::optional<int> adr = unitAddress(words.at(2));
        if (!adr)
            return cliText(CliText::BadUnit).arg(words.at(2));
        inv.units = {*adr};
        return get ? QString() : takeSchedule(inv, words.at(3));
    }
    return cliText(CliText::UnknownCommand).arg(name);
}

} // namespace

int languageOf(const QStringList &args)
{
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--"))
            break;
        if (args.at(i) == QLatin1String("--language") && i + 1 < args.size())
            return args.at(i + 1) == QLatin1String("1") ? 1 : 0;
        if (args.at(i) == QLatin1String("--language=1"))
            return 1;
    }
    return 0;
}

bool passwordFits(const QString &password)
{
    return password.size() >= setting::PasswordMinChars && password.size() <= setting::PasswordMaxChars;
}

Invocation parseArguments(const QStringList &args, const QProcessEnvironment &env)
{
    Invocation inv;
    QStringList words;
    bool optionsEnd = false;
    const auto refuse = [&](const QString &why) {
        if (inv.error.isEmpty())
            inv.error = why;
    };
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (optionsEnd || !arg.startsWith(QLatin1String("-")) || arg == QLatin1String("-")) {
            words << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        std::optional<QString> inlineValue;
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            inlineValue = arg.mid(eq + 1);
            arg.truncate(eq);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args.at(++i);
            return std::nullopt;
        };
        const QStringList valued{QStringLiteral("--host"),          QStringLiteral("--password"),
                                 QStringLiteral("--password-file"), QStringLiteral("--address-book"),
                                 QStringLiteral("--language"),      QStringLiteral("--timeout")};
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            inv.help = true;
        } else if (arg == QLatin1String("--version")) {
            inv.version = true;
        } else if (arg == QLatin1String("--json") || arg == QLatin1String("--tsv")) {
            inv.form = arg == QLatin1String("--json") ? Form::Json : Form::Tsv;
        } else if (arg == QLatin1String("--verbose")) {
            inv.verbose = true;
        } else if (valued.contains(arg)) {
            const std::optional<QString> given = value();
            if (!given) {
                refuse(cliText(CliText::MissingValue).arg(arg));
            } else if (arg == QLatin1String("--host")) {
                inv.host = *given;
            } else if (arg == QLatin1String("--password")) {
                inv.password = *given;
                if (!passwordFits(*given))
                    refuse(cliText(CliText::BadPasswordLength).arg(arg));
            } else if (arg == QLatin1String("--password-file")) {
                inv.passwordFile = *given;
            } else if (arg == QLatin1String("--address-book")) {
                inv.addressBook = *given;
                inv.addressBookGiven = true;
            } else if (arg == QLatin1String("--language")) {
                inv.language = *given == QLatin1String("1") ? 1 : 0;
                if (*given != QLatin1String("0") && *given != QLatin1String("1"))
                    refuse(cliText(CliText::BadLanguage));
            } else {
                bool ok = false;
                const double seconds = given->toDouble(&ok);
                if (!ok || !(seconds >= 0.1 && seconds <= 3600)) // "nan" reads as a number too
                    refuse(cliText(CliText::BadTimeout));
                else
                    inv.timeoutMs = int(seconds * 1000);
            }
        } else {
            refuse(cliText(CliText::UnknownOption).arg(args.at(i)));
        }
    }
    if (inv.password && !inv.passwordFile.isEmpty())
        refuse(cliText(CliText::TwoPasswords));
    // The environment stands in for what the command line leaves out.
    if (inv.host.isEmpty())
        inv.host = env.value(QStringLiteral("BREZZANO_HOST"));
    if (!inv.password && inv.passwordFile.isEmpty() && env.contains(QStringLiteral("BREZZANO_PASSWORD"))) {
        inv.password = env.value(QStringLiteral("BREZZANO_PASSWORD"));
        if (!passwordFits(*inv.password))
            refuse(cliText(CliText::BadPasswordLength).arg(QStringLiteral("BREZZANO_PASSWORD")));
    }
    if (!inv.addressBookGiven && env.contains(QStringLiteral("BREZZANO_ADDRESS_BOOK"))) {
        inv.addressBook = env.value(QStringLiteral("BREZZANO_ADDRESS_BOOK"));
        inv.addressBookGiven = true;
    }
    if (inv.version)
        return inv;
    // `COMMAND --help` is the command's help, whatever else its words say.
    if (inv.help) {
        inv.command = Command::Help;
        inv.helpTopic = words.value(0);
        return inv;
    }
    if (inv.error.isEmpty()) {
        const QString why = takeCommand(inv, words);
        if (!why.isEmpty())
            inv.error = why;
    }
    const bool needsHost = inv.command != Command::Help && inv.command != Command::Book;
    if (inv.error.isEmpty() && needsHost && inv.host.isEmpty())
        inv.error = cliText(CliText::MissingHost);
    return inv;
}
