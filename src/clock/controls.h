#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrel {

// Every control whose enabled flag the clock decides, in the order the flags are written.
enum class Control : std::uint8_t {
    Start,
    Pause,
    Resume,
    Reset,
    SkipFive,
    SkipToNext,
    About,
    MovingMinutes,
    MovingSeconds,
    ReadingMinutes,
    ReadingSeconds,
    ExaminationMinutes,
    ExaminationSeconds,
    FeedbackMinutes,
    FeedbackSeconds,
    TrimDownTen,
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

// The eight length boxes, in the order of PhaseDurations.
constexpr bool isLengthBox(Control control)
{
    return control >= Control::MovingMinutes && control <= Control::FeedbackSeconds;
}
constexpr std::size_t lengthSlot(Control box)
{
    return indexOf(box) - indexOf(Control::MovingMinutes);
}
constexpr Control lengthBox(std::size_t slot)
{
    return static_cast<Control>(indexOf(Control::MovingMinutes) + slot);
}

enum class OperatingState { Idle, Running, Paused };

// A following room shows another timer's clock: its clock commands and boxes stay off
// whatever state it shows; the about box stays on.
enum class ClockControls { Operable, Locked };

enum class Presence { Absent, Present };

bool isEnabled(OperatingState state, Control control);

} // namespace zentrel
