#pragma once

#include "clockstate.h"
#include "controls.h"

#include <QMetaType>
#include <QVarLengthArray>

namespace zentrel {

// What made the clock change.
enum class ClockCause : std::uint8_t {
    StartUp,
    Tick,
    Start,
    Pause,
    Resume,
    Reset,
    SkipFive,
    SkipToNext,
    Trim,
    Adopt, // another clock's state taken whole (a following room)
};

// The cue due on the count shown: the warning, or the next phase's announcement, at their
// moments in cues.h. Each sounds once for one occurrence of a phase.
enum class Cue : std::uint8_t { None, Warning, Announcement };

// A cue may come within two ticks, or the clock has just begun to run: the sound path
// should be ready so that the cue is heard on its tick.
enum class CueNotice : std::uint8_t { None, Soon };

// START and RESET begin anew: whatever cue sounds stops, whether this room gave them or
// took them from the leader.
enum class CueSilence : std::uint8_t { Keep, Now };

// The clock's one message to the world, sent after every change.
struct ClockChange
{
    ClockState state;
    ClockCause cause = ClockCause::StartUp;
    // Every phase entered by this change, in order: a tick that passes over a 0:00 phase
    // enters two.
    QVarLengthArray<Phase, CountedPhases> entered;
    Cue cue = Cue::None;
    CueNotice notice = CueNotice::None;
    CueSilence silence = CueSilence::Keep;

    OperatingState operatingState() const;
    // Whether the read-outs show this change's count. Ticks write them, and so do start-up,
    // RESET and a state taken whole; START and the skips leave the count shown until the
    // next tick, and pause, resume and trims do not touch it.
    bool writesCount() const;
};

OperatingState operatingStateOf(const ClockState &state);

} // namespace zentrel

Q_DECLARE_METATYPE(zentrel::ClockChange)
