// The session's dispatcher on any packet: matching it to the awaited request,
// decoding it and applying it to the model never read outside it, and the
// reply it gives holds together.
#include "Check.h"

#include "link/LinkFailure.h"
#include "session/ControllerSession.h"
#include "session/Response.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // Code, awaited code, awaited address, waiting; then the payload.
    if (size < 4)
        return 0;
    TpktRecord packet;
    packet.code = bytes[0];
    packet.data = QByteArray(reinterpret_cast<const char *>(bytes) + 4, int(size - 4));
    packet.len = int(packet.data.size());

    // What the session does with it, without a link: a follow-up request it
    // queues fails to go out, and the next input starts afresh.
    static ControllerSession session;
    session.TaskList.Clear();
    session.PktList.Clear();
    session.wait_responce = bytes[3] & 1;
    session.awaited.code = bytes[1];
    session.awaited.addr = bytes[2];
    session.PktList.Add(packet);
    try {
        session.processPackets();
    } catch (const LinkFailure &) {
    }
    // Entries read are kept one per minute of the week.
    FUZZ_CHECK(session.model.unitProgList.Count() <= schedule::WeekMinutes);

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
