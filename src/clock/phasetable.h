#pragma once

#include <cstdint>

// Colours are 0x00BBGGRR; a value with the high bit set names a system colour.
inline constexpr std::uint32_t ButtonFaceColour = 0x8000000F;
inline constexpr bool isSystemColour(std::uint32_t colour)
{
    return (colour & 0x80000000u) != 0;
}

struct PhaseRow
{
    const char *message; // UTF-8
    std::uint32_t colour;
    std::uint8_t next; // phase entered when this one is used up; 0 has none
    const char *nextCueFile; // announcement given to the phase cue player on entering `next`
    int durationSlot; // index of `next`'s minutes in PhaseDurations
};

// Rows for phases 0 to 4; any other value reads as phase 0.
const PhaseRow &phaseRow(std::uint8_t phase);

inline constexpr const char *PauseMark = "(一時停止)";
inline constexpr const char *FirstCueFile = "yomu.wav";
