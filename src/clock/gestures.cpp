#include "gestures.h"

#include "examclock.h"

namespace zentrel {

bool actOnRelease(ExamClock &clock, Control control, Qt::MouseButton button,
                  Qt::KeyboardModifiers modifiers)
{
    const Gesture *gesture = releaseGesture(control);
    if (!gesture || !isEnabled(clock.operatingState(), control)
        || !matches(*gesture, button, modifiers))
        return false;
    switch (gesture->command) {
    case Command::Reset:
        clock.reset();
        break;
    case Command::SkipFive:
        clock.skipFiveSeconds();
        break;
    case Command::SkipToNext:
        clock.skipToNext();
        break;
    case Command::TrimInterval:
        clock.trimInterval(gesture->trimStep);
        break;
    }
    return true;
}

} // namespace zentrel
