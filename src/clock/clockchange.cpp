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

} // namespace zentrel
