#pragma once

#include "phases.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrel {

// Every control whose enabled flag the clock decides, in the order the flags are written:
// the length boxes, minutes then seconds of each counted phase, as many as the phase table
// asks for.
enum class Control : std::uint8_t {
    Start,
    Pause,
    Resume,
    Reset,
    SkipFive,
    SkipToNext,
    About,
    FirstLengthBox,
    TrimDownTen = FirstLengthBox + LengthBoxCount,
    TrimDownOne,
    TrimUpOne,
    TrimUpTen,
    Count
};
inline constexpr std::size_t ControlCount = static_cast<std::size_t>(Control::Count);

constexpr std::size_t indexOf(Control control)
{
    return static_cast<std::size_t>(control);
}

// The length boxes, in the order of PhaseDurations.
constexpr std::size_t lengthSlot(Control box)
{
    return indexOf(box) - indexOf(Control::FirstLengthBox);
}
constexpr bool isLengthBox(Control control)
{
    return control >= Control::FirstLengthBox && lengthSlot(control) < LengthBoxCount;
}
constexpr Control lengthBox(std::size_t slot)
{
    return static_cast<Control>(indexOf(Control::FirstLengthBox) + slot);
}

enum class OperatingState { Idle, Running, Paused };

// A following room shows another timer's clock: its clock commands and boxes stay off
// whatever state it shows; the about box stays on.
enum class ClockControls { Operable, Locked };

enum class Presence { Absent, Present };

bool isEnabled(OperatingState state, Control control);

} // namespace zentrel
