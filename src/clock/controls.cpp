#include "controls.h"

namespace zentrel {
namespace {
constexpr bool on = true;
constexpr bool off = false;

using Row = std::array<bool, ControlCount>;

// A row must name every control, the length boxes and the trims as one each: the compiler
// counts the arguments.
constexpr Row row(bool start, bool pause, bool resume, bool reset, bool skipFive, bool skipToNext,
                  bool about, bool lengthBoxes, bool trims)
{
    Row flags {};
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const auto control = static_cast<Control>(i);
        flags[i] = isLengthBox(control)       ? lengthBoxes
            : control >= Control::TrimDownTen ? trims
                                              : false;
    }
    const std::array firsts { start, pause, resume, reset, skipFive, skipToNext, about };
    for (std::size_t i = 0; i < firsts.size(); ++i)
        flags[i] = firsts[i];
    return flags;
}
static_assert(indexOf(Control::About) + 1 == indexOf(Control::FirstLengthBox));
static_assert(indexOf(Control::TrimUpTen) + 1 == ControlCount);

// clang-format off
//                             Start Pause Resume Reset 5sec NEXT About  length boxes  trims
constexpr Row IdleRow    = row(on,   off,  off,   off,  off, off, on,    on,           on);
constexpr Row RunningRow = row(off,  on,   off,   off,  on,  on,  off,   off,          on);
constexpr Row PausedRow  = row(off,  off,  on,    on,   off, off, on,    off,          on);
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
