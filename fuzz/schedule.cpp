// The schedule wire form: any received block decodes to entries inside the
// week, and those entries, sent again, decode to the same entries.
#include "Check.h"

#include "link/Frame.h"
#include "schedules/Program.h"

#include <QStringList>

namespace {

bool sameEntries(const std::vector<TprogRecord> &a, const std::vector<TprogRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Time != b[i].Time || a[i].Temp != b[i].Temp || a[i].Mode != b[i].Mode ||
            a[i].Fan != b[i].Fan)
            return false;
    return true;
}

// The entries that one sent block carries, as the device reads them back.
std::vector<TprogRecord> sentEntries(const std::vector<TprogRecord> &list, int addr, bool secondBlock)
{
    const schedule::WeekBlock block = schedule::weekProgramFrame(list, addr, secondBlock);
    const frame::ParsedLine parsed = frame::parseLine(block.frame);
    FUZZ_CHECK(parsed.kind == frame::LineKind::Packet);
    FUZZ_CHECK(parsed.packet.data.size() == 1 + 4 * schedule::SlotsPerBlock);
    FUZZ_CHECK(quint8(parsed.packet.data.at(0)) == quint8(addr));
    const std::vector<TprogRecord> entries = schedule::decodeBlock(parsed.packet.data, true);
    FUZZ_CHECK(int(entries.size()) == block.sent);
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    if (size < 2)
        return 0;
    const bool secondBlock = bytes[0] & 1;
    const int addr = bytes[1];
    const QByteArray payload(reinterpret_cast<const char *>(bytes) + 2, int(size - 2));

    const std::vector<TprogRecord> entries = schedule::decodeBlock(payload, secondBlock);
    FUZZ_CHECK(int(entries.size()) * 4 <= payload.size());
    static const QStringList texts = [] {
        QStringList list;
        for (int i = 0; i < 150; ++i)
            list << QString::number(i);
        return list;
    }();
    for (const TprogRecord &entry : entries) {
        FUZZ_CHECK(entry.Time >= 0 && entry.Time < schedule::WeekMinutes);
        FUZZ_CHECK(entry.Mode >= 0 && entry.Mode <= 15 && entry.Fan >= 0 && entry.Fan <= 15);
        // Unknown codes must not index outside the text table, full or empty.
        schedule::entryLine(entry, texts);
        schedule::entryLine(entry, QStringList());
    }

    if (entries.size() > 2 * size_t(schedule::SlotsPerBlock))
        return 0;
    std::vector<TprogRecord> resent = sentEntries(entries, addr, false);
    if (entries.size() > size_t(schedule::SlotsPerBlock)) {
        const std::vector<TprogRecord> second = sentEntries(entries, addr, true);
        resent.insert(resent.end(), second.begin(), second.end());
    }
    FUZZ_CHECK(sameEntries(resent, entries));
    return 0;
}
