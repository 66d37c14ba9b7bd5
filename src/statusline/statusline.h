#pragma once

#include "clock/clockstate.h"
#include "clock/controls.h"

#include <QString>
#include <array>

namespace zentrel {

// Warnings the status line carries after the phase's text while a phase is on.
enum class StatusMark : std::uint8_t { NoSound, NoSync, Count };
using StatusMarkSet = std::array<Presence, std::size_t(StatusMark::Count)>;
// Who reads the line: the room's own window, or a station door's page.
enum class Viewer { Room, Door };

inline constexpr const char *PauseMark = "(一時停止)";
// By StatusMark: no sound output can be reached; the rooms' leader cannot be heard.
inline constexpr const char *StatusMarks[] = { "「音声なし」", "「同期なし」" };
// At a door the room's silence is told apart from the door's own sound.
inline constexpr const char *RoomSilentAtDoor = "「音声なし（部屋）」";

// The status line for this clock and these marks: the phase's text, the pause, and the
// marks while a phase is on. Never the start-up reminder, which the window alone shows.
QString statusLine(const ClockState &state, const StatusMarkSet &marks, Viewer viewer);
// A mark's text as this viewer reads it.
QString statusMarkText(StatusMark mark, Viewer viewer);

} // namespace zentrel
