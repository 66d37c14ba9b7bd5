#pragma once

#include "clockstate.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrel {

// Colours are 0x00BBGGRR; a value with the high bit set names a system colour.
inline constexpr std::uint32_t SystemColourBit = 0x80000000u;
inline constexpr std::uint32_t ButtonFaceColour = SystemColourBit | 0x0F;

// One row per phase, describing that phase.
struct PhaseRow
{
    Phase phase;
    const char *statusText; // UTF-8, shown in the status line while the phase is on
    std::uint32_t colour; // of the bar
    const char *announcement; // cue file played 0:10 before this phase begins
    Phase next; // entered when this phase is used up; Reset for none
    const char *fileName; // in setting.txt's labels ("moving minutes")
    const char *heading; // the row heading of its length boxes, UTF-8
};

// clang-format off
inline constexpr std::array<PhaseRow, 5> Phases { {
    { Phase::Reset,       "リセットされました",   ButtonFaceColour, nullptr,      Phase::Reset,       nullptr,       nullptr },
    { Phase::Moving,      "移動中です",           0x00FFFF00,       "idou.wav",   Phase::Reading,     "moving",      "移動時間" },
    { Phase::Reading,     "問題を読んでいます",   0x0000FFFF,       "yomu.wav",   Phase::Examination, "reading",     "読む時間" },
    { Phase::Examination, "試験中です",           0x000000FF,       "hajime.wav", Phase::Feedback,    "examination", "試験時間" },
    { Phase::Feedback,    "フィードバック中です", 0x00FF00FF,       "kohyo.wav",  Phase::Moving,      "feedback",    "評価時間" },
} };
// clang-format on

inline constexpr std::size_t CountedPhases = Phases.size() - 1;

// Any number beyond the table reads as the reset state.
constexpr const PhaseRow &phaseRow(Phase phase)
{
    const auto index = static_cast<std::size_t>(phase);
    return index < Phases.size() ? Phases[index] : Phases[0];
}

// Index of the phase's minutes in PhaseDurations; its seconds follow.
constexpr std::size_t minutesSlot(Phase phase)
{
    return (static_cast<std::size_t>(phase) - 1) * 2;
}

// The cue the phase cue player holds while `phase` runs: the next phase's announcement.
constexpr const char *announcementDuring(Phase phase)
{
    return phaseRow(phaseRow(phase).next).announcement;
}

} // namespace zentrel
