#pragma once

// The benches' command lines: whole-number options, "--name N" or "--name=N".
#include <QString>
#include <QStringList>

#include <map>

struct IntOption
{
    int *value;
    int least;
    int most;
};

// False on anything it does not know or a value out of range.
inline bool parseIntOptions(const QStringList &args, const std::map<QString, IntOption> &known)
{
    for (int i = 1; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        if (const int eq = name.indexOf(QLatin1Char('=')); eq > 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        }
        const auto it = known.find(name);
        bool ok = false;
        const int number = value.toInt(&ok);
        if (it == known.end() || !ok || number < it->second.least || number > it->second.most)
            return false;
        *it->second.value = number;
    }
    return true;
}
