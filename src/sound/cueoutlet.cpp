#include "cueoutlet.h"

#include "clock/cues.h"

namespace zentrel {

void playClockCues(CueOutlet &cues, const ClockChange &change)
{
    switch (change.cause) {
    case ClockCause::StartUp:
        cues.initCuePlayers();
        break;
    case ClockCause::Start:
    case ClockCause::Reset:
        cues.silenceCuePlayers();
        break;
    default:
        break;
    }
    if (change.cue == Cue::Warning)
        cues.playWarningCue();
    if (change.cue == Cue::Announcement) {
        cues.setPhaseCueFile(QString::fromLatin1(cueFile(Cue::Announcement, change.state.Phase)));
        cues.playPhaseCue();
    }
    if (change.notice == CueNotice::Soon)
        cues.prepareForCue();
}

} // namespace zentrel
