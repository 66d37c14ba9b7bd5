#pragma once

#include "phases.h"

#include <array>
#include <cstdint>

namespace zentrel {

enum class Pause : std::uint8_t { Off, On };
// Whether the tick timer runs: it stands still while paused or idle, and at a 0:00 with
// nothing left to count.
enum class TimerRun : std::uint8_t { Stopped, Running };

// Bounds of the numbers the clock keeps.
inline constexpr int MaxPhaseLengthBox = 60; // START takes 0 to 60 in each box
inline constexpr std::int16_t DefaultTickIntervalMs = 999;
inline constexpr int TickIntervalFloorMs = 100; // trimming down stops here

// What setting.txt carries between runs: start-up hands it to the clock, exit writes it.
struct ClockSettings
{
    std::int16_t TickIntervalMs = DefaultTickIntervalMs;
    PhaseLengths PhaseDurations = defaultLengths();
    friend bool operator==(const ClockSettings &, const ClockSettings &) = default;
};

// Everything the clock counts with: the same value in the clock, the window, the log and
// the messages between rooms.
struct ClockState
{
    zentrel::Phase Phase = Phase::Reset;
    Pause Paused = Pause::Off;
    std::int16_t RemainingMinutes = 0;
    std::int16_t RemainingSeconds = 0;
    PhaseLengths PhaseDurations = ClockSettings {}.PhaseDurations;
    std::int16_t TickIntervalMs = ClockSettings {}.TickIntervalMs;
    TimerRun Timer = TimerRun::Stopped;
    friend bool operator==(const ClockState &, const ClockState &) = default;
};

} // namespace zentrel
