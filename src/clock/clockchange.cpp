#include "clockchange.h"

namespace zentrel {

OperatingState operatingStateOf(const ClockState &state)
{
    if (state.Phase == Phase::Reset)
        return OperatingState::Idle;
    return state.Paused == Pause::On ? OperatingState::Paused : OperatingState::Running;
}

OperatingState ClockChange::operatingState() const
{
    return operatingStateOf(state);
}

bool ClockChange::writesCount() const
{
    switch (cause) {
    case ClockCause::StartUp:
    case ClockCause::Tick:
    case ClockCause::Reset:
    case ClockCause::Adopt:
        return true;
    default:
        return false;
    }
}

} // namespace zentrel
