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

// The controls' object names, in the order of Control.
constexpr std::array<const char *, ControlCount> Names {
    "Command1", "Command2", "Command3", "Command4", "Command5", "Command10", "Command11",
    "Text1",    "Text2",    "Text3",    "Text4",    "Text5",    "Text6",     "Text7",
    "Text8",    "Command6", "Command7", "Command8", "Command9",
};

constexpr std::array<Control, ControlCount> inOrder()
{
    std::array<Control, ControlCount> all {};
    for (std::size_t i = 0; i < ControlCount; ++i)
        all[i] = static_cast<Control>(i);
    return all;
}
constexpr std::array<Control, ControlCount> Order = inOrder();
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

const char *controlName(Control control)
{
    return Names[static_cast<std::size_t>(control)];
}
