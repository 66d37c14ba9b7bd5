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

constexpr const char *heading(Phase phase)
{
    return phaseRow(phase).heading;
}

// clang-format off
constexpr std::array<ControlDesign, DesignCount> Table { {
    // Labels, back to front.
    { "Label1",  L::Status,             { 0, 96, 793, 49 },    "",         Centre, 0, 26, 1 },
    { "Label2",  L::PhaseBar,           { 0, 144, 793, 313 },  "",         Left,   ButtonFaceColour, 0, 2 },
    { "Label3",  L::Minutes,            { 8, 184, 265, 241 },  "",         Right,  0, 200, 7 },
    { "Label4",  L::MinutesUnit,        { 288, 344, 81, 89 },  "分",       Right,  0, 50, 8 },
    { "Label5",  L::Seconds,            { 416, 184, 273, 249 }, "",        Right,  0, 200, 9 },
    { "Label6",  L::SecondsUnit,        { 680, 344, 97, 89 },  "秒",       Right,  0, 50, 10 },
    { "Label7",  L::MovingHeading,      { 8, 483, 50, 13 },    heading(Phase::Moving),      Left, 0x00FFFF80, 0, 11 },
    { "Label8",  L::ReadingHeading,     { 8, 507, 50, 13 },    heading(Phase::Reading),     Left, 0x0080FFFF, 0, 12 },
    { "Label9",  L::ExaminationHeading, { 8, 531, 50, 13 },    heading(Phase::Examination), Left, 0x008080FF, 0, 13 },
    { "Label10", L::FeedbackHeading,    { 8, 555, 50, 13 },    heading(Phase::Feedback),    Left, 0x00FF80FF, 0, 14 },
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
    { "Text1",     C::MovingMinutes,      { 64, 480, 25, 18 },  "",         Middle, 0, 0, 15 },
    { "Text2",     C::MovingSeconds,      { 96, 480, 25, 18 },  "",         Middle, 0, 0, 16 },
    { "Text3",     C::ReadingMinutes,     { 64, 504, 25, 18 },  "",         Middle, 0, 0, 17 },
    { "Text4",     C::ReadingSeconds,     { 96, 504, 25, 18 },  "",         Middle, 0, 0, 18 },
    { "Text5",     C::ExaminationMinutes, { 64, 528, 25, 18 },  "",         Middle, 0, 0, 19 },
    { "Text6",     C::ExaminationSeconds, { 96, 528, 25, 18 },  "",         Middle, 0, 0, 20 },
    { "Text7",     C::FeedbackMinutes,    { 64, 552, 25, 18 },  "",         Middle, 0, 0, 21 },
    { "Text8",     C::FeedbackSeconds,    { 96, 552, 25, 18 },  "",         Middle, 0, 0, 22 },
    { "Command5",  C::SkipFive,           { 192, 480, 73, 17 }, "5sec >>",  Middle, 0, 0, 26 },
    { "Command6",  C::TrimDownTen,        { 360, 480, 25, 17 }, "--",       Middle, 0, 0, 28 },
    { "Command7",  C::TrimDownOne,        { 392, 480, 17, 17 }, "-",        Middle, 0, 0, 29 },
    { "Command8",  C::TrimUpOne,          { 464, 480, 17, 17 }, "+",        Middle, 0, 0, 32 },
    { "Command9",  C::TrimUpTen,          { 488, 480, 25, 17 }, "++",       Middle, 0, 0, 33 },
    { "Command10", C::SkipToNext,         { 496, 8, 145, 25 },  "Skip to NEXT", Middle, 0, 15, 35 },
    { "Command11", C::About,              { 624, 496, 137, 33 }, "about Zentrel Timer", Middle, 0, 0, 37 },
} };
// clang-format on

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
} // namespace

const std::array<ControlDesign, DesignCount> &controlTable()
{
    return Table;
}

} // namespace zentrel
