#pragma once

#include "clockchange.h"
#include "phases.h"

#include <array>
#include <span>

namespace zentrel {

// When each cue is due: the count it belongs to, in seconds left in a phase, and the file
// it plays. The file keeps its name whatever the moment: offices record their own under it.
// The announcement's file is the next phase's, from the phase table.
struct CueMoment
{
    int secondsLeft;
    Cue cue;
    const char *file;
};
inline constexpr std::array<CueMoment, 2> CueMoments { {
    { 30, Cue::Warning, "sec30.wav" },
    { 10, Cue::Announcement, nullptr },
} };

constexpr const CueMoment &cueMoment(Cue cue)
{
    for (const CueMoment &moment : CueMoments) {
        if (moment.cue == cue)
            return moment;
    }
    return CueMoments[0];
}

inline constexpr const char *WarningCueFile = cueMoment(Cue::Warning).file;

// Skip to NEXT lands a second above the announcement, so that the next tick shows its
// moment and sounds it.
inline constexpr int SkipToNextSecondsLeft = cueMoment(Cue::Announcement).secondsLeft + 1;

// Ticks of notice the sound path gets before a cue.
inline constexpr int CueNoticeTicks = 2;

// The cue that belongs to this count (in seconds left), if any.
constexpr Cue cueAt(int secondsLeft, std::span<const CueMoment> moments = CueMoments)
{
    for (const CueMoment &moment : moments) {
        if (secondsLeft == moment.secondsLeft)
            return moment.cue;
    }
    return Cue::None;
}

// Whether a cue is due within the next CueNoticeTicks ticks.
constexpr bool cueComing(int secondsLeft, std::span<const CueMoment> moments = CueMoments)
{
    for (const CueMoment &moment : moments) {
        if (secondsLeft > moment.secondsLeft && secondsLeft <= moment.secondsLeft + CueNoticeTicks)
            return true;
    }
    return false;
}

// The file a cue plays while `during` runs: the warning's own, or the next phase's
// announcement.
constexpr const char *cueFile(Cue cue, Phase during)
{
    if (cue == Cue::None)
        return nullptr;
    const char *own = cueMoment(cue).file;
    return own ? own : announcementDuring(during);
}

} // namespace zentrel
