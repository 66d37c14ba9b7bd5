#pragma once

#include <array>
#include <cstdint>

// Phase numbers as the clock stores them in ClockState::Phase.
enum class PhaseNumber : std::uint8_t {
    Reset = 0,
    Moving = 1,
    Reading = 2,
    Examination = 3,
    Feedback = 4
};

inline constexpr std::int16_t DefaultTickIntervalMs = 999;
// Moving, Reading, Examination, Feedback: minutes then seconds of each.
inline constexpr std::array<std::int16_t, 8> DefaultPhaseDurations { 1, 0, 1, 0, 5, 0, 1, 0 };

// Everything the clock counts with. The names are those the settings file and the
// operators' manual use, so they stay as they are.
struct ClockState
{
    std::uint8_t Phase = 0;
    std::uint8_t Paused = 0;
    std::int16_t RemainingMinutes = 0;
    std::int16_t RemainingSeconds = 0;
    std::array<std::int16_t, 8> PhaseDurations = DefaultPhaseDurations;
    std::int16_t TickIntervalMs = DefaultTickIntervalMs;
};
