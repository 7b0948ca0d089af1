// The schedule JSON that `brezzano-cli schedule set` reads: what reads without
// error lies inside the week and the settings' limits, and written back it
// reads again to the same entries.
#include "Check.h"

#include "schedules/ProgramJson.h"
#include "units/Setting.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(bytes), int(size));
    const schedule::JsonRead read = schedule::fromJson(json);
    if (read.error != schedule::JsonError::None) {
        FUZZ_CHECK(read.entries.empty());
        FUZZ_CHECK(read.error == schedule::JsonError::NotAnObject ||
                   read.error == schedule::JsonError::TooMany || (read.entry >= 1 && !read.field.isEmpty()));
        return 0;
    }
    FUZZ_CHECK(int(read.entries.size()) <= TprogRecordList::MaxEdited);
    for (size_t i = 0; i < read.entries.size(); ++i) {
        const TprogRecord &entry = read.entries[i];
        FUZZ_CHECK(entry.Time >= 0 && entry.Time < schedule::WeekMinutes);
        FUZZ_CHECK(i == 0 || read.entries[i - 1].Time < entry.Time);
        FUZZ_CHECK(entry.Temp >= setting::MinTemp && entry.Temp <= setting::MaxTemp);
        FUZZ_CHECK(entry.Mode >= 0 && entry.Mode <= 15 && entry.Fan >= 0 && entry.Fan <= 15);
    }

    const QByteArray written = QJsonDocument(schedule::toJson(1, read.entries)).toJson();
    const schedule::JsonRead again = schedule::fromJson(written);
    FUZZ_CHECK(again.error == schedule::JsonError::None);
    FUZZ_CHECK(again.entries.size() == read.entries.size());
    for (size_t i = 0; i < read.entries.size(); ++i) {
        const TprogRecord &a = read.entries[i];
        const TprogRecord &b = again.entries[i];
        FUZZ_CHECK(a.Time == b.Time && a.Temp == b.Temp && a.Mode == b.Mode && a.Fan == b.Fan);
    }
    return 0;
}
