#include "controlstates.h"

namespace {
constexpr bool on = true;
constexpr bool off = false;

// One row per operating state, columns in the order of Control.
// clang-format off
//                                                  C1   C2   C3   C4   C5   C10  C11  Text1..Text8                          C6..C9
constexpr std::array<bool, ControlCount> IdleRow    { on,  off, off, off, off, off, on,  on,  on,  on,  on,  on,  on,  on,  on,  on, on, on, on };
constexpr std::array<bool, ControlCount> RunningRow { off, on,  off, off, on,  on,  off, off, off, off, off, off, off, off, off, on, on, on, on };
constexpr std::array<bool, ControlCount> PausedRow  { off, off, on,  on,  off, off, on,  off, off, off, off, off, off, off, off, on, on, on, on };
// clang-format on

constexpr std::array<Control, ControlCount> Order {
    Control::Command1,  Control::Command2,  Control::Command3, Control::Command4, Control::Command5,
    Control::Command10, Control::Command11, Control::Text1,    Control::Text2,    Control::Text3,
    Control::Text4,     Control::Text5,     Control::Text6,    Control::Text7,    Control::Text8,
    Control::Command6,  Control::Command7,  Control::Command8, Control::Command9,
};
} // namespace

bool isEnabled(OperatingState state, Control control)
{
    const auto column = static_cast<std::size_t>(control);
    switch (state) {
    case OperatingState::Idle:
        return IdleRow[column];
    case OperatingState::Running:
        return RunningRow[column];
    case OperatingState::Paused:
        return PausedRow[column];
    }
    return false;
}

const std::array<Control, ControlCount> &allControls()
{
    return Order;
}
