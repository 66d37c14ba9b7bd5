#pragma once

#include "clock/controls.h"

#include <QRect>
#include <Qt>
#include <array>
#include <cstdint>
#include <variant>

namespace zentrel {

// The window's labels, by what they show: one heading per counted phase.
enum class Label : std::uint8_t {
    Status,
    PhaseBar,
    Minutes,
    MinutesUnit,
    Seconds,
    SecondsUnit,
    FirstHeading,
    MinutesColumn = FirstHeading + CountedPhases,
    SecondsColumn,
    ResetHelp,
    SkipFiveHelp,
    TickInterval,
    TrimHelp,
    SkipToNextHelp,
    Count
};
inline constexpr std::size_t LabelCount = static_cast<std::size_t>(Label::Count);

// A label, or a control the clock enables (a button, or a length box).
using Role = std::variant<Label, Control>;

// One control of the main window as designed: pixels at 96 dpi, in stacking order from
// back to front. Texts are UTF-8, lines split by '\n'.
struct ControlDesign
{
    const char *objectName;
    Role role;
    QRect geometry;
    const char *text;
    Qt::Alignment alignment;
    std::uint32_t colour; // 0x00BBGGRR background; 0 for a transparent label
    int points; // font size; 0 keeps the default
    int tabIndex;
};

inline constexpr std::size_t DesignCount = LabelCount + ControlCount;
const std::array<ControlDesign, DesignCount> &controlTable();

} // namespace zentrel
