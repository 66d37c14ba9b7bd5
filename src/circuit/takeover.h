#pragma once

#include "clockmessage.h"

#include <QHash>
#include <optional>

namespace zentrel {

// Why a room's clock cannot be taken: START could not have made it.
enum class TakeoverFault { None, Lengths, Count, Interval };

// A clock state this program's own START could have led to: lengths START accepts, a count
// within its phase, and an interval no faster than the trim floor.
TakeoverFault takeoverFault(const ClockState &state);

// `state` after `ticks` ticks of its timer; a clock that stands still stays as it is.
ClockState advancedBy(const ClockState &state, qint64 ticks);

struct Takeover
{
    ClockState state;
    QString room;
};

// What a starting leader makes of the rooms' answers: the clock of the room in step most
// recently, advanced by the whole ticks since its answer arrived. Plain values, so every
// choice is tested with made-up times. Only fresh answers count (a retained presence may be
// a dead room's), and a room's latest answer replaces its earlier ones.
class TakeoverPoll
{
public:
    // A room's presence at steady time `heardMs`. Rooms idle or reset are no candidates.
    void hear(const QByteArray &roomId, const RoomPresence &presence, qint64 heardMs);
    void clear() { m_answers.clear(); }
    void forget(const QByteArray &roomId) { m_answers.remove(roomId); }
    // Rooms whose clocks START could not have made are left out.
    std::optional<Takeover> choose(qint64 nowMs) const;

private:
    struct Answer
    {
        RoomPresence presence;
        qint64 heardMs = 0;
    };
    QHash<QByteArray, Answer> m_answers;
};

} // namespace zentrel
