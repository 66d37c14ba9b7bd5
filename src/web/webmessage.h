#pragma once

#include "clock/clockchange.h"
#include "statusline/statusline.h"

#include <QByteArray>
#include <QString>

namespace zentrel {

// What the page shows: the clock's state, the cue its change made due, and the room's marks;
// the status line is written from them as the window writes its own.
struct WebView
{
    ClockState state;
    Cue cue = Cue::None;
    StatusMarkSet marks {};
    // The count as the window shows it: START and the skips leave it until the next tick.
    std::array<int, 2> shown {};
};

// The room and circuit this timer belongs to; empty when alone.
struct WebNames
{
    QString room;
    QString circuit;
};

inline constexpr int WebMessageVersion = 1;

// The socket's message for one view: {"v":1, ...}, UTF-8 JSON. The phases' own texts,
// colours and cues, the cue moments and the marks' texts come along so that a cut-off page
// can count on by itself; the build id tells a page loaded from other files to reload.
QByteArray webStateMessage(const WebView &view, const WebNames &names);
// The last message before the program ends.
QByteArray webEndMessage();

// A hash of the page's own files.
QString pageBuildId();

// A phase colour (0x00BBGGRR, or a system colour) as the page writes it: "#rrggbb".
QString cssColour(std::uint32_t colour);

} // namespace zentrel
