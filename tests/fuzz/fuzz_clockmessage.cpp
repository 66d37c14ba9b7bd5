// libFuzzer target: any bytes as a clock, leader or room message give a verdict and never
// crash; what is accepted is in range and reads back the same after writing.
#include "circuit/clockmessage.h"

#include <cstdlib>

using namespace zentrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Decoded<ClockMessage> clock = decodeClockMessage(bytes);
    if (clock.ok()) {
        const ClockState &c = clock.value.clock;
        if (std::size_t(c.Phase) >= Phases.size() || c.Paused > Pause::On || c.RemainingSeconds < 0
            || c.RemainingSeconds > 60 || c.TickIntervalMs < 1
            || size > std::size_t(MaxMessageBytes))
            std::abort();
        if (decodeClockMessage(encodeClockMessage(clock.value)).value != clock.value)
            std::abort();
    }
    const Decoded<QByteArray> leader = decodeLeaderPresence(bytes);
    if (leader.ok()
        && decodeLeaderPresence(encodeLeaderPresence(leader.value)).value != leader.value)
        std::abort();
    const Decoded<RoomPresence> room = decodeRoomStanding(bytes);
    if (room.ok() && decodeRoomStanding(encodeRoomPresence(room.value)).value != room.value)
        std::abort();
    const Decoded<QByteArray> probe = decodeProbe(bytes);
    if (probe.ok() && decodeProbe(encodeProbe(probe.value)).value != probe.value)
        std::abort();
    return 0;
}
