#pragma once

#include <array>
#include <cstdint>

namespace zentrel {

// Minutes then seconds of Moving, Reading, Examination and Feedback.
using PhaseLengths = std::array<std::int16_t, 8>;

// What setting.txt carries between runs: start-up hands it to the clock, exit writes it.
struct ClockSettings
{
    std::int16_t TickIntervalMs = 999;
    PhaseLengths PhaseDurations { 1, 0, 1, 0, 5, 0, 1, 0 };
    friend bool operator==(const ClockSettings &, const ClockSettings &) = default;
};

// Everything the clock counts with.
struct ClockState
{
    std::uint8_t Phase = 0;
    std::uint8_t Paused = 0;
    std::int16_t RemainingMinutes = 0;
    std::int16_t RemainingSeconds = 0;
    PhaseLengths PhaseDurations = ClockSettings {}.PhaseDurations;
    std::int16_t TickIntervalMs = ClockSettings {}.TickIntervalMs;
    friend bool operator==(const ClockState &, const ClockState &) = default;
};

} // namespace zentrel
