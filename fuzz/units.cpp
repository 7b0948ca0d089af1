// The unit table's reply storing: a reply that does not fit changes nothing,
// one that fits lands on the unit it names.
#include "Check.h"

#include "units/UnitTable.h"

namespace {

bool sameUnit(const TunitRecord &a, const TunitRecord &b)
{
    return a.addr == b.addr && a.buffer == b.buffer && a.tmin == b.tmin && a.tmax == b.tmax &&
           a.prog == b.prog && a.name == b.name;
}

bool sameTable(const UnitTable &a, const UnitTable &b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (!sameUnit(a[i], b[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the reply, the others are its payload.
    const QByteArray data(reinterpret_cast<const char *>(bytes) + 1, int(size - 1));

    UnitTable table;
    OnlineTable online;
    online.fill(0xAA);
    units::resetControllerState(table, online);
    const UnitTable tableBefore = table;
    const OnlineTable onlineBefore = online;

    switch (bytes[0] % 3) {
    case 0: {
        const QString reason = units::storeStatus(table, data);
        if (!reason.isEmpty()) {
            FUZZ_CHECK(sameTable(table, tableBefore));
            break;
        }
        const int a = quint8(data.at(0));
        FUZZ_CHECK(a < UnitRecords);
        FUZZ_CHECK(table[size_t(a)].addr == a);
        FUZZ_CHECK(table[size_t(a)].prog == quint8(data.back()));
        break;
    }
    case 1: {
        const QString reason = units::storeName(table, data);
        if (!reason.isEmpty()) {
            FUZZ_CHECK(sameTable(table, tableBefore));
            break;
        }
        const int a = quint8(data.at(0));
        FUZZ_CHECK(a < UnitRecords);
        FUZZ_CHECK(!table[size_t(a)].name.isEmpty());
        FUZZ_CHECK(!table[size_t(a)].name.contains(QChar(0)));
        break;
    }
    default: {
        const QString reason = units::storeOnline(online, data);
        if (!reason.isEmpty()) {
            FUZZ_CHECK(online == onlineBefore);
            break;
        }
        for (int i = 0; i < data.size(); ++i)
            FUZZ_CHECK(online[size_t(i)] == quint8(data.at(i)));
        break;
    }
    }
    return 0;
}
