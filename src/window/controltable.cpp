#include "controltable.h"

#include <array>

namespace {
constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment Centre = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignTop;
constexpr Qt::Alignment CentreMiddle = Qt::AlignCenter;
constexpr auto L = ControlKind::Label;
constexpr auto B = ControlKind::Button;
constexpr auto T = ControlKind::TextBox;
constexpr auto Clear = LabelFill::Transparent;
constexpr auto Fill = LabelFill::Colour;

// clang-format off
constexpr std::array<ControlDesign, 36> Table { {
    // Labels, back to front.
    { "Label1",  L, { 0, 96, 793, 49 },    "",        Centre, Clear, 0, 26, 1 },
    { "Label2",  L, { 0, 144, 793, 313 },  "",        Left,   Fill,  0x8000000F, 0, 2 },
    { "Label3",  L, { 8, 184, 265, 241 },  "",        Right,  Clear, 0, 200, 7 },
    { "Label4",  L, { 288, 344, 81, 89 },  "分",      Right,  Clear, 0, 50, 8 },
    { "Label5",  L, { 416, 184, 273, 249 }, "",       Right,  Clear, 0, 200, 9 },
    { "Label6",  L, { 680, 344, 97, 89 },  "秒",      Right,  Clear, 0, 50, 10 },
    { "Label7",  L, { 8, 483, 50, 13 },    "移動時間", Left,  Fill,  0x00FFFF80, 0, 11 },
    { "Label8",  L, { 8, 507, 50, 13 },    "読む時間", Left,  Fill,  0x0080FFFF, 0, 12 },
    { "Label9",  L, { 8, 531, 50, 13 },    "試験時間", Left,  Fill,  0x008080FF, 0, 13 },
    { "Label10", L, { 8, 555, 50, 13 },    "評価時間", Left,  Fill,  0x00FF80FF, 0, 14 },
    { "Label11", L, { 72, 464, 25, 17 },   "min",     Left,   Clear, 0, 0, 23 },
    { "Label12", L, { 104, 464, 25, 17 },  "sec",     Left,   Clear, 0, 0, 24 },
    { "Label13", L, { 672, 40, 129, 49 },  "",        Left,   Clear, 0, 0, 25 },
    { "Label14", L, { 152, 504, 177, 65 }, "",        Left,   Clear, 0, 0, 27 },
    { "Label15", L, { 416, 483, 41, 17 },  "",        Centre, Clear, 0, 0, 30 },
    { "Label16", L, { 352, 504, 177, 65 }, "",        Left,   Clear, 0, 0, 31 },
    { "Label17", L, { 520, 40, 137, 49 },  "",        Left,   Clear, 0, 0, 36 },
    // Buttons and entry boxes, in front of every label.
    { "Command1",  B, { 8, 16, 137, 41 },   "START",    CentreMiddle, Clear, 0, 20, 3 },
    { "Command2",  B, { 152, 16, 137, 41 }, "一時停止", CentreMiddle, Clear, 0, 20, 4 },
    { "Command3",  B, { 296, 16, 137, 41 }, "再　開",   CentreMiddle, Clear, 0, 20, 5 },
    { "Command4",  B, { 688, 8, 73, 25 },   "RESET",    CentreMiddle, Clear, 0, 15, 6 },
    { "Text1",     T, { 64, 480, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 15 },
    { "Text2",     T, { 96, 480, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 16 },
    { "Text3",     T, { 64, 504, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 17 },
    { "Text4",     T, { 96, 504, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 18 },
    { "Text5",     T, { 64, 528, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 19 },
    { "Text6",     T, { 96, 528, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 20 },
    { "Text7",     T, { 64, 552, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 21 },
    { "Text8",     T, { 96, 552, 25, 18 },  "",         CentreMiddle, Clear, 0, 0, 22 },
    { "Command5",  B, { 192, 480, 73, 17 }, "5sec >>",  CentreMiddle, Clear, 0, 0, 26 },
    { "Command6",  B, { 360, 480, 25, 17 }, "--",       CentreMiddle, Clear, 0, 0, 28 },
    { "Command7",  B, { 392, 480, 17, 17 }, "-",        CentreMiddle, Clear, 0, 0, 29 },
    { "Command8",  B, { 464, 480, 17, 17 }, "+",        CentreMiddle, Clear, 0, 0, 32 },
    { "Command9",  B, { 488, 480, 25, 17 }, "++",       CentreMiddle, Clear, 0, 0, 33 },
    { "Command10", B, { 496, 8, 145, 25 },  "Skip to NEXT", CentreMiddle, Clear, 0, 15, 35 },
    { "Command11", B, { 624, 496, 137, 33 }, "about Zentrel Timer", CentreMiddle, Clear, 0, 0, 37 },
} };
// clang-format on
} // namespace

std::span<const ControlDesign> controlTable()
{
    return Table;
}
