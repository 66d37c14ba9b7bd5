#pragma once

#include <array>
#include <cstddef>

// Every control whose enabled flag the clock decides, in the order the flags are written.
enum class Control {
    Command1, // START
    Command2, // pause
    Command3, // resume
    Command4, // RESET
    Command5, // "5sec >>"
    Command10, // "Skip to NEXT"
    Command11, // about
    Text1,
    Text2,
    Text3,
    Text4,
    Text5,
    Text6,
    Text7,
    Text8,
    Command6, // trims: enabled in every state
    Command7,
    Command8,
    Command9,
};
inline constexpr std::size_t ControlCount = 19;

enum class OperatingState { Idle, Running, Paused };

bool isEnabled(OperatingState state, Control control);
// The controls in the order their flags are written.
const std::array<Control, ControlCount> &allControls();
// The control's object name in the window ("Command5", "Text1").
const char *controlName(Control control);
