#pragma once

#include "controlstates.h"

#include <cstdint>
#include <optional>

// A mouse-button release as the buttons see it.
enum MouseButtonCode : std::uint16_t { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
enum ModifierBit : std::uint16_t { ShiftBit = 1, CtrlBit = 2, AltBit = 4 };

struct MouseRelease
{
    std::uint16_t button = 0;
    std::uint16_t modifiers = 0; // ShiftBit | CtrlBit | AltBit
};

// The commands that act on a release rather than a click.
enum class ReleaseCommand { Reset, SkipFive, SkipToNext, Trim };

// Which release command a button gives, if any.
constexpr std::optional<ReleaseCommand> releaseCommandOf(Control control)
{
    switch (control) {
    case Control::Command4:
        return ReleaseCommand::Reset;
    case Control::Command5:
        return ReleaseCommand::SkipFive;
    case Control::Command10:
        return ReleaseCommand::SkipToNext;
    case Control::Command6:
    case Control::Command7:
    case Control::Command8:
    case Control::Command9:
        return ReleaseCommand::Trim;
    default:
        return std::nullopt;
    }
}

// Both the button and the whole modifier mask must match: SHIFT alone for RESET and
// "Skip to NEXT", SHIFT and Ctrl without Alt for "5sec >>" and the trims.
constexpr bool gestureAccepted(ReleaseCommand command, MouseRelease release)
{
    const std::uint16_t wanted
        = (command == ReleaseCommand::Reset || command == ReleaseCommand::SkipToNext)
        ? ShiftBit
        : (ShiftBit | CtrlBit);
    return release.button == LeftButton && release.modifiers == wanted;
}
