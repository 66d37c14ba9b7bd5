#pragma once

#include <array>
#include <cstdint>

namespace zentrel {

// What a following room must show of the leader's clock. The fields mirror the clock state,
// so the clock hands its state over field by field.
struct ClockSnapshot
{
    std::uint8_t Phase = 0; // 0 reset, 1 Moving, 2 Reading, 3 Examination, 4 Feedback
    std::uint8_t Paused = 0;
    std::int16_t RemainingMinutes = 0;
    std::int16_t RemainingSeconds = 0;
    std::array<std::int16_t, 8> PhaseDurations {}; // minutes then seconds of each phase
    std::int16_t TickIntervalMs = 999;
    bool TimerRunning = false; // whether the leader's tick timer runs

    friend bool operator==(const ClockSnapshot &, const ClockSnapshot &) = default;
};

} // namespace zentrel
