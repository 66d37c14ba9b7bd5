#pragma once

#include "controls.h"

#include <Qt>
#include <array>

namespace zentrel {

class ExamClock;

// The commands the operator gives on the clock.
enum class Command { Reset, SkipFive, SkipToNext, TrimInterval };

// A button that acts on the release of a mouse button with an exact set of modifiers.
struct Gesture
{
    Control control;
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers; // compared whole, Meta aside
    Command command;
    int trimStep; // milliseconds, for TrimInterval
};

inline constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
inline constexpr Qt::KeyboardModifiers ShiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;

// clang-format off
inline constexpr std::array<Gesture, 7> ReleaseGestures { {
    { Control::Reset,       Qt::LeftButton, Shift,     Command::Reset,        0 },
    { Control::SkipFive,    Qt::LeftButton, ShiftCtrl, Command::SkipFive,     0 },
    { Control::SkipToNext,  Qt::LeftButton, Shift,     Command::SkipToNext,   0 },
    { Control::TrimDownTen, Qt::LeftButton, ShiftCtrl, Command::TrimInterval, -10 },
    { Control::TrimDownOne, Qt::LeftButton, ShiftCtrl, Command::TrimInterval, -1 },
    { Control::TrimUpOne,   Qt::LeftButton, ShiftCtrl, Command::TrimInterval, +1 },
    { Control::TrimUpTen,   Qt::LeftButton, ShiftCtrl, Command::TrimInterval, +10 },
} };
// clang-format on

// The control's gesture; null for a control that acts on a plain click.
constexpr const Gesture *releaseGesture(Control control)
{
    for (const Gesture &gesture : ReleaseGestures) {
        if (gesture.control == control)
            return &gesture;
    }
    return nullptr;
}

// SHIFT, Ctrl and Alt are compared; Meta (the Windows key on most keyboards) is ignored.
constexpr bool matches(const Gesture &gesture, Qt::MouseButton button,
                       Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers compared
        = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    return button == gesture.button && compared == gesture.modifiers;
}

// A mouse release on a control: acts on the clock only with the control's gesture while the
// control is enabled. Returns whether it acted.
bool actOnRelease(ExamClock &clock, Control control, Qt::MouseButton button,
                  Qt::KeyboardModifiers modifiers);

} // namespace zentrel
