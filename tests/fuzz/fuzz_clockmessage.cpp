// libFuzzer target: any bytes as a clock, leader or room message, or as the state file kept
// for a restart, give a verdict and never crash; what is accepted is in range and reads back
// the same after writing.
#include "circuit/clockmessage.h"
#include "restart/keptstate.h"

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
    const KeptRead kept = decodeKeptState(bytes);
    if (kept.kept
        && (kept.kept->clock.Phase == Phase::Reset || kept.kept->clock.TickIntervalMs < 100
            || size > std::size_t(MaxKeptStateBytes)
            || decodeKeptState(encodeKeptState(*kept.kept)).kept != kept.kept))
        std::abort();
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
