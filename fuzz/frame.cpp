// The frame grammar on any received line: never reads outside it, and a
// packet it makes reads back the same once built again.
#include "Check.h"

#include "link/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(bytes), int(size));
    const frame::ParsedLine parsed = frame::parseLine(line);
    if (parsed.kind != frame::LineKind::Packet)
        return 0;

    const TpktRecord &packet = parsed.packet;
    FUZZ_CHECK(packet.code >= 0 && packet.code <= 0xFF);
    FUZZ_CHECK(packet.len == packet.data.size());
    FUZZ_CHECK(9 + 2 * packet.len <= line.size());

    const frame::ParsedLine again = frame::parseLine(frame::build(packet.code, packet.data));
    FUZZ_CHECK(again.kind == frame::LineKind::Packet);
    FUZZ_CHECK(again.packet.code == packet.code);
    FUZZ_CHECK(again.packet.data == packet.data);
    return 0;
}
