#pragma once

#include "clock/clockchange.h"

#include <QByteArray>
#include <QString>

namespace zentrel {

// What the page shows: the clock's state, the cue due on this count, and the status line as
// the window writes it (without the start-up reminder).
struct WebView
{
    ClockState state;
    Cue cue = Cue::None;
    QString statusText;
};

// The room and circuit this timer belongs to; empty when alone.
struct WebNames
{
    QString room;
    QString circuit;
};

inline constexpr int WebMessageVersion = 1;

// The socket's message for one view: {"v":1, ...}, UTF-8 JSON. The phases' own texts,
// colours and cues come along so that a cut-off page can count on by itself.
QByteArray webStateMessage(const WebView &view, const WebNames &names);
// The last message before the program ends.
QByteArray webEndMessage();

// A phase colour (0x00BBGGRR, or a system colour) as the page writes it: "#rrggbb".
QString cssColour(std::uint32_t colour);

} // namespace zentrel
