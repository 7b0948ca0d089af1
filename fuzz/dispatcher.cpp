// The dispatcher on any packet: matching it to the awaited request and
// decoding it never read outside it, and the reply it gives holds together.
#include "Check.h"

#include "link/Frame.h"
#include "link/Response.h"
#include "units/UnitTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // Code, awaited code, awaited address, waiting; then the payload.
    if (size < 4)
        return 0;
    TpktRecord packet;
    packet.code = bytes[0];
    packet.data = QByteArray(reinterpret_cast<const char *>(bytes) + 4, int(size - 4));
    packet.len = int(packet.data.size());
    frame::answersRequest(packet, bytes[3] & 1, bytes[1], bytes[2]);

    const response::Reply reply = response::decode(packet);
    FUZZ_CHECK(reply.code == packet.code);
    switch (reply.kind) {
    case response::Kind::Rejected:
        FUZZ_CHECK(!reply.reason.isEmpty());
        break;
    case response::Kind::Clock:
        FUZZ_CHECK(reply.day >= 1 && reply.day <= 7);
        break;
    case response::Kind::ScheduleBlock:
        FUZZ_CHECK(int(reply.entries.size()) * 4 <= packet.data.size());
        break;
    case response::Kind::UnitTable: {
        // As the window applies it.
        UnitTable table;
        OnlineTable online{};
        if (packet.code == 29)
            units::storeOnline(online, reply.data);
        else if (packet.code == 30)
            units::storeStatus(table, reply.data);
        else
            units::storeName(table, reply.data);
        break;
    }
    case response::Kind::PasswordUse:
    case response::Kind::WebConnection:
    case response::Kind::AlarmUse:
    case response::Kind::LockMode:
        FUZZ_CHECK(!packet.data.isEmpty() && reply.value == quint8(packet.data.at(0)));
        FUZZ_CHECK(reply.flag == (reply.value != 0));
        break;
    default:
        break;
    }
    return 0;
}
