#pragma once

#include "clockchange.h"
#include "phases.h"

#include <array>

namespace zentrel {

inline constexpr const char *WarningCueFile = "sec30.wav";

// When each cue is due: the count it belongs to, in the last minute of a phase.
struct CueMoment
{
    int secondsLeft;
    Cue cue;
};
inline constexpr std::array<CueMoment, 2> CueMoments { { { 30, Cue::Warning },
                                                         { 10, Cue::Announcement } } };

// Ticks of notice the sound path gets before a cue.
inline constexpr int CueNoticeTicks = 2;

// The cue that belongs to this count, if any.
constexpr Cue cueAt(int minutes, int seconds)
{
    for (const CueMoment &moment : CueMoments) {
        if (minutes == 0 && seconds == moment.secondsLeft)
            return moment.cue;
    }
    return Cue::None;
}

// Whether a cue is due within the next CueNoticeTicks ticks.
constexpr bool cueComing(int minutes, int seconds)
{
    for (const CueMoment &moment : CueMoments) {
        if (minutes == 0 && seconds > moment.secondsLeft
            && seconds <= moment.secondsLeft + CueNoticeTicks)
            return true;
    }
    return false;
}

// The file a cue plays while `during` runs: the warning, or the next phase's announcement.
constexpr const char *cueFile(Cue cue, Phase during)
{
    switch (cue) {
    case Cue::Warning:
        return WarningCueFile;
    case Cue::Announcement:
        return announcementDuring(during);
    case Cue::None:
        break;
    }
    return nullptr;
}

} // namespace zentrel
