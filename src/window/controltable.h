#pragma once

#include <QRect>
#include <Qt>
#include <cstdint>
#include <span>

enum class ControlKind { Label, Button, TextBox };
enum class LabelFill { Transparent, Colour };

// One control of the main window as designed: pixels at 96 dpi, in stacking order from
// back to front.
struct ControlDesign
{
    const char *name;
    ControlKind kind;
    QRect geometry;
    const char *text; // UTF-8; empty when start-up writes the first text
    Qt::Alignment alignment;
    LabelFill fill;
    std::uint32_t colour; // 0x00BBGGRR, for LabelFill::Colour
    int startUpPoints; // font size start-up sets; 0 keeps the default
    int tabIndex;
};

std::span<const ControlDesign> controlTable();
