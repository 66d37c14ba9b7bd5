#include "controltable.h"

#include "clock/phases.h"

namespace zentrel {
namespace {
constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment Centre = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignTop;
constexpr Qt::Alignment Middle = Qt::AlignCenter;
using L = Label;
using C = Control;

// The designed rows, back to front; the rows of length boxes go in between (buildTable()).
// clang-format off
constexpr ControlDesign LabelsAbove[] = {
    { "Label1",  L::Status,             { 0, 96, 793, 49 },    "",         Centre, 0, 26, 1 },
    { "Label2",  L::PhaseBar,           { 0, 144, 793, 313 },  "",         Left,   ButtonFaceColour, 0, 2 },
    { "Label3",  L::Minutes,            { 8, 184, 265, 241 },  "",         Right,  0, 200, 7 },
    { "Label4",  L::MinutesUnit,        { 288, 344, 81, 89 },  "分",       Right,  0, 50, 8 },
    { "Label5",  L::Seconds,            { 416, 184, 273, 249 }, "",        Right,  0, 200, 9 },
    { "Label6",  L::SecondsUnit,        { 680, 344, 97, 89 },  "秒",       Right,  0, 50, 10 },
};
constexpr ControlDesign LabelsBelow[] = {
    { "Label11", L::MinutesColumn,      { 72, 464, 25, 17 },   "min",      Left,   0, 0, 23 },
    { "Label12", L::SecondsColumn,      { 104, 464, 25, 17 },  "sec",      Left,   0, 0, 24 },
    { "Label13", L::ResetHelp,          { 672, 40, 129, 49 },
      "｢一時停止｣ 中のみ、\n｢RESET｣ できます。\n<SHIFT>を押しながら、\nクリックして下さい｡ \"", Left, 0, 0, 25 },
    { "Label14", L::SkipFiveHelp,       { 152, 504, 177, 65 },
      "タイマーを 約5秒 だけ進めます。\n<SHIFT> と <Ctrl> を押しながら、\nクリックして下さい。", Left, 0, 0, 27 },
    { "Label15", L::TickInterval,       { 416, 483, 41, 17 },  "",         Centre, 0, 0, 30 },
    { "Label16", L::TrimHelp,           { 352, 504, 177, 65 },
      "秒針の進み具合を微調整します。\n+ で遅く、- で速くなります。\n<SHIFT>と<Ctrl>を押しながら、\nクリックして下さい。\n設定は保存されません。", Left, 0, 0, 31 },
    { "Label17", L::SkipToNextHelp,     { 520, 40, 137, 49 },
      "現在のカウントを、\n0分10秒に進めます。\n<SHIFT>を押しながら、\nクリックして下さい。", Left, 0, 0, 36 },
    // Buttons and length boxes, in front of every label.
    { "Command1",  C::Start,              { 8, 16, 137, 41 },   "START",    Middle, 0, 20, 3 },
    { "Command2",  C::Pause,              { 152, 16, 137, 41 }, "一時停止", Middle, 0, 20, 4 },
    { "Command3",  C::Resume,             { 296, 16, 137, 41 }, "再　開",   Middle, 0, 20, 5 },
    { "Command4",  C::Reset,              { 688, 8, 73, 25 },   "RESET",    Middle, 0, 15, 6 },
};
constexpr ControlDesign ButtonsBelow[] = {
    { "Command5",  C::SkipFive,           { 192, 480, 73, 17 }, "5sec >>",  Middle, 0, 0, 26 },
    { "Command6",  C::TrimDownTen,        { 360, 480, 25, 17 }, "--",       Middle, 0, 0, 28 },
    { "Command7",  C::TrimDownOne,        { 392, 480, 17, 17 }, "-",        Middle, 0, 0, 29 },
    { "Command8",  C::TrimUpOne,          { 464, 480, 17, 17 }, "+",        Middle, 0, 0, 32 },
    { "Command9",  C::TrimUpTen,          { 488, 480, 25, 17 }, "++",       Middle, 0, 0, 33 },
    { "Command10", C::SkipToNext,         { 496, 8, 145, 25 },  "Skip to NEXT", Middle, 0, 15, 35 },
    { "Command11", C::About,              { 624, 496, 137, 33 }, "about Zentrel Timer", Middle, 0, 0, 37 },
};
// clang-format on

// One row per counted phase, LengthRowPitch apart: its heading, tinted as in the phase
// table ("Label7" on), and its minutes and seconds boxes ("Text1" on).
constexpr int LengthRowTop = 480;
constexpr int LengthRowPitch = 24;
constexpr int FirstHeadingTab = 11;
constexpr int FirstBoxTab = FirstHeadingTab + int(CountedPhases);

using Name = std::array<char, 12>;
constexpr Name numbered(const char *stem, std::size_t number)
{
    Name name {};
    std::size_t at = 0;
    while (stem[at] != 0) {
        name[at] = stem[at];
        ++at;
    }
    if (number >= 10)
        name[at++] = char('0' + number / 10);
    name[at] = char('0' + number % 10);
    return name;
}

template<std::size_t N>
constexpr std::array<Name, N> numberedNames(const char *stem, std::size_t first)
{
    std::array<Name, N> names {};
    for (std::size_t i = 0; i < N; ++i)
        names[i] = numbered(stem, first + i);
    return names;
}
constexpr auto HeadingNames = numberedNames<CountedPhases>("Label", 7);
constexpr auto BoxNames = numberedNames<LengthBoxCount>("Text", 1);

constexpr ControlDesign headingDesign(std::size_t row)
{
    const PhaseRow &phase = Phases[row + 1];
    return { HeadingNames[row].data(),
             Label(std::size_t(Label::FirstHeading) + row),
             { 8, LengthRowTop + 3 + LengthRowPitch * int(row), 50, 13 },
             phase.heading,
             Left,
             phase.tint,
             0,
             FirstHeadingTab + int(row) };
}

constexpr ControlDesign boxDesign(std::size_t slot)
{
    const int row = int(slot / FieldsPerPhase);
    const int x = isMinutesSlot(slot) ? 64 : 96;
    return { BoxNames[slot].data(),
             lengthBox(slot),
             { x, LengthRowTop + LengthRowPitch * row, 25, 18 },
             "",
             Middle,
             0,
             0,
             FirstBoxTab + int(slot) };
}

constexpr std::array<ControlDesign, DesignCount> buildTable()
{
    std::array<ControlDesign, DesignCount> table {};
    std::size_t at = 0;
    for (const ControlDesign &design : LabelsAbove)
        table[at++] = design;
    for (std::size_t row = 0; row < CountedPhases; ++row)
        table[at++] = headingDesign(row);
    for (const ControlDesign &design : LabelsBelow)
        table[at++] = design;
    for (std::size_t slot = 0; slot < LengthBoxCount; ++slot)
        table[at++] = boxDesign(slot);
    for (const ControlDesign &design : ButtonsBelow)
        table[at++] = design;
    return table;
}
constexpr std::array<ControlDesign, DesignCount> Table = buildTable();

// Every label and every control stands in the table exactly once.
constexpr bool eachRoleOnce()
{
    std::array<int, DesignCount> seen {};
    for (const ControlDesign &design : Table) {
        const std::size_t slot = std::holds_alternative<Label>(design.role)
            ? static_cast<std::size_t>(std::get<Label>(design.role))
            : LabelCount + indexOf(std::get<Control>(design.role));
        if (++seen[slot] != 1)
            return false;
    }
    return true;
}
static_assert(eachRoleOnce());

// A new row of boxes must not share a place in the tab chain.
constexpr bool eachTabOnce()
{
    for (std::size_t i = 0; i < Table.size(); ++i) {
        for (std::size_t j = i + 1; j < Table.size(); ++j) {
            if (Table[i].tabIndex == Table[j].tabIndex)
                return false;
        }
    }
    return true;
}
static_assert(eachTabOnce());
} // namespace

const std::array<ControlDesign, DesignCount> &controlTable()
{
    return Table;
}

} // namespace zentrel
