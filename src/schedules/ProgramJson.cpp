#include "schedules/ProgramJson.h"

#include "units/Setting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <set>

namespace schedule {

namespace {

constexpr std::array<const char *, 7> DayWords{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr int MaxCode = 15; // a code is one nibble on the wire

// Code 0 is "*"; code c above it is words[c - 1].
template <size_t N> QJsonValue codeValue(const std::array<const char *, N> &words, int code)
{
    if (code == 0)
        return QStringLiteral("*");
    if (code >= 1 && code <= int(N))
        return QLatin1String(words[size_t(code - 1)]);
    return code;
}

template <size_t N> int codeOf(const std::array<const char *, N> &words, const QJsonValue &value)
{
    if (value.isDouble()) {
        // The range before the conversion: a double outside int's range does not convert.
        const double number = value.toDouble();
        return number >= 0 && number <= MaxCode && number == std::floor(number) ? int(number) : -1;
    }
    const QString word = value.toString();
    if (word == QLatin1String("*"))
        return 0;
    for (size_t i = 0; i < N; ++i)
        if (word == QLatin1String(words[i]))
            return int(i) + 1;
    return -1;
}

// "Mon 08:30" to the minute of the week, or -1.
int minuteOf(const QString &at)
{
    static const QRegularExpression form(QStringLiteral("^([A-Z][a-z]{2}) ([01][0-9]|2[0-3]):([0-5][0-9])$"));
    const QRegularExpressionMatch match = form.match(at);
    if (!match.hasMatch())
        return -1;
    const auto day = std::find_if(DayWords.begin(), DayWords.end(),
                                  [&](const char *word) { return match.captured(1) == QLatin1String(word); });
    if (day == DayWords.end())
        return -1;
    return int(day - DayWords.begin()) * DayMinutes + match.captured(2).toInt() * 60 +
           match.captured(3).toInt();
}

} // namespace

QJsonObject toJson(int unit, const std::vector<TprogRecord> &entries)
{
    QJsonArray list;
    for (const TprogRecord &entry : entries) {
        const bool inWeek = entry.Time >= 0 && entry.Time < WeekMinutes;
        const int minute = entry.Time % DayMinutes;
        list.append(QJsonObject{
            {QStringLiteral("at"), inWeek ? QStringLiteral("%1 %2:%3")
                                                .arg(QLatin1String(DayWords[size_t(entry.Time / DayMinutes)]))
                                                .arg(minute / 60, 2, 10, QLatin1Char('0'))
                                                .arg(minute % 60, 2, 10, QLatin1Char('0'))
                                          : QString()},
            {QStringLiteral("temp"), entry.Temp},
            {QStringLiteral("mode"), codeValue(setting::ModeWords, entry.Mode)},
            {QStringLiteral("fan"), codeValue(setting::FanWords, entry.Fan)},
        });
    }
    return QJsonObject{{QStringLiteral("address"), unit}, {QStringLiteral("entries"), list}};
}

JsonRead fromJson(const QByteArray &json)
{
    JsonRead read;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    const QJsonValue list = document.object().value(QStringLiteral("entries"));
    if (!document.isObject() || !list.isArray()) {
        read.error = JsonError::NotAnObject;
        return read;
    }
    const QJsonArray entries = list.toArray();
    if (entries.size() > TprogRecordList::MaxEdited) {
        read.error = JsonError::TooMany;
        return read;
    }
    std::set<int> minutes;
    for (int i = 0; i < entries.size(); ++i) {
        const QJsonObject item = entries.at(i).toObject();
        const auto fail = [&](JsonError error, const char *field) {
            read.error = error;
            read.entry = i + 1;
            read.field = QLatin1String(field);
            read.entries.clear();
            return read;
        };
        TprogRecord entry;
        entry.Time = minuteOf(item.value(QStringLiteral("at")).toString());
        if (entry.Time < 0)
            return fail(JsonError::BadEntry, "at");
        const double temp = item.value(QStringLiteral("temp")).toDouble(-1);
        if (!(temp >= setting::MinTemp && temp <= setting::MaxTemp) || temp != std::floor(temp))
            return fail(JsonError::BadEntry, "temp");
        entry.Temp = int(temp);
        entry.Mode = codeOf(setting::ModeWords, item.value(QStringLiteral("mode")));
        if (entry.Mode < 0)
            return fail(JsonError::BadEntry, "mode");
        entry.Fan = codeOf(setting::FanWords, item.value(QStringLiteral("fan")));
        if (entry.Fan < 0)
            return fail(JsonError::BadEntry, "fan");
        if (!minutes.insert(entry.Time).second)
            return fail(JsonError::SameMinute, "at");
        read.entries.push_back(entry);
    }
    std::stable_sort(read.entries.begin(), read.entries.end(),
                     [](const TprogRecord &a, const TprogRecord &b) { return a.Time < b.Time; });
    return read;
}

} // namespace schedule
