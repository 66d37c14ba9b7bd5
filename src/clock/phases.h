#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrel {

// The reset state, then the counted phases in the order START runs them. Each has its row
// in Phases below, and everything that depends on the phases is read from that table.
enum class Phase : std::uint8_t { Reset, Moving, Reading, Examination, Feedback };

// Colours are 0x00BBGGRR; a value with the high bit set names a system colour.
inline constexpr std::uint32_t SystemColourBit = 0x80000000u;
inline constexpr std::uint32_t ButtonFaceColour = SystemColourBit | 0x0F;

// One row per phase, describing that phase.
struct PhaseRow
{
    Phase phase;
    const char *statusText; // UTF-8, shown in the status line while the phase is on
    std::uint32_t colour; // of the bar
    const char *announcement; // cue file played at the announcement's moment before it begins
    Phase next; // entered when this phase is used up; Reset for none
    const char *fileName; // in setting.txt's labels ("moving minutes")
    const char *heading; // the row heading of its length boxes, UTF-8
    std::uint32_t tint; // of that heading
    const char *shortName; // in the session log's START row, UTF-8
    std::int16_t defaultMinutes; // its length when setting.txt gives none
};

// clang-format off
inline constexpr std::array<PhaseRow, 5> Phases { {
    { Phase::Reset,       "リセットされました",   ButtonFaceColour, nullptr,      Phase::Reset,       nullptr,       nullptr,    0,          nullptr, 0 },
    { Phase::Moving,      "移動中です",           0x00FFFF00,       "idou.wav",   Phase::Reading,     "moving",      "移動時間", 0x00FFFF80, "移動",  1 },
    { Phase::Reading,     "問題を読んでいます",   0x0000FFFF,       "yomu.wav",   Phase::Examination, "reading",     "読む時間", 0x0080FFFF, "読む",  1 },
    { Phase::Examination, "試験中です",           0x000000FF,       "hajime.wav", Phase::Feedback,    "examination", "試験時間", 0x008080FF, "試験",  5 },
    { Phase::Feedback,    "フィードバック中です", 0x00FF00FF,       "kohyo.wav",  Phase::Moving,      "feedback",    "評価時間", 0x00FF80FF, "評価",  1 },
} };
// clang-format on

// Row i describes Phase(i).
constexpr bool rowsInPhaseOrder()
{
    for (std::size_t i = 0; i < Phases.size(); ++i) {
        if (Phases[i].phase != Phase(i))
            return false;
    }
    return true;
}
static_assert(rowsInPhaseOrder());

// Rooms that count with different tables must not read each other's clocks: the messages
// between rooms carry phase numbers and one length per box, and their format version
// (clockmessage.h) is this one. The check below names the table this version belongs to:
// a changed table stops the build until both are raised together.
inline constexpr int PhaseTableVersion = 1;
static_assert(PhaseTableVersion == 1 && Phases.size() == 5);

inline constexpr std::size_t CountedPhases = Phases.size() - 1;
// Each counted phase has two length boxes: minutes, then seconds.
inline constexpr std::size_t FieldsPerPhase = 2;
inline constexpr std::size_t LengthBoxCount = CountedPhases * FieldsPerPhase;

// Minutes then seconds of each counted phase, in the table's order.
using PhaseLengths = std::array<std::int16_t, LengthBoxCount>;

// Any number beyond the table reads as the reset state.
constexpr const PhaseRow &phaseRow(Phase phase)
{
    const auto index = static_cast<std::size_t>(phase);
    return index < Phases.size() ? Phases[index] : Phases[0];
}

// Index of the phase's minutes in PhaseDurations; its seconds follow.
constexpr std::size_t minutesSlot(Phase phase)
{
    return (static_cast<std::size_t>(phase) - 1) * FieldsPerPhase;
}

// The phase whose minutes or seconds a slot of the lengths holds.
constexpr const PhaseRow &phaseOfSlot(std::size_t slot)
{
    return Phases[std::size_t(Phase::Moving) + slot / FieldsPerPhase];
}
constexpr bool isMinutesSlot(std::size_t slot)
{
    return slot % FieldsPerPhase == 0;
}

constexpr PhaseLengths defaultLengths()
{
    PhaseLengths lengths {};
    for (std::size_t slot = 0; slot < lengths.size(); slot += FieldsPerPhase)
        lengths[slot] = phaseOfSlot(slot).defaultMinutes;
    return lengths;
}

// The cue the phase cue player holds while `phase` runs: the next phase's announcement.
constexpr const char *announcementDuring(Phase phase)
{
    return phaseRow(phaseRow(phase).next).announcement;
}

} // namespace zentrel
