#include "controls.h"

namespace zentrel {
namespace {
constexpr bool on = true;
constexpr bool off = false;

using Row = std::array<bool, ControlCount>;

// A row must name every control: the compiler counts.
template<typename... Flags>
constexpr Row row(Flags... flags)
{
    static_assert(sizeof...(flags) == ControlCount);
    return Row { flags... };
}

// clang-format off
//                        Start Pause Resume Reset 5sec NEXT About  eight length boxes                      four trims
constexpr Row IdleRow    = row(on,  off, off, off, off, off, on,   on,  on,  on,  on,  on,  on,  on,  on,   on, on, on, on);
constexpr Row RunningRow = row(off, on,  off, off, on,  on,  off,  off, off, off, off, off, off, off, off,  on, on, on, on);
constexpr Row PausedRow  = row(off, off, on,  on,  off, off, on,   off, off, off, off, off, off, off, off,  on, on, on, on);
// clang-format on
} // namespace

bool isEnabled(OperatingState state, Control control)
{
    switch (state) {
    case OperatingState::Idle:
        return IdleRow[indexOf(control)];
    case OperatingState::Running:
        return RunningRow[indexOf(control)];
    case OperatingState::Paused:
        return PausedRow[indexOf(control)];
    }
    return false;
}

} // namespace zentrel
