#pragma once

#include "clockmessage.h"

#include <QHash>
#include <QStringList>

namespace zentrel {

inline constexpr int MaxRooms = 200;
// A keyed room renews its signed presence this often; a leader drops one it has not heard
// for RoomMissedRepeats renewals.
inline constexpr int RoomPresenceRepeatMs = 5000;
inline constexpr int RoomMissedRepeats = 3;

enum class RosterChange { Same, Joined, Restood, Left, Full };

// The rooms a leader hears of, by their public ids, with the text of the status line's
// tooltip. Bounded, and kept sorted as rooms come and go, so that a join costs one insertion
// rather than a sort of everything.
class RoomRoster
{
public:
    RosterChange update(const QByteArray &roomId, const RoomPresence &presence);
    RosterChange remove(const QByteArray &roomId);

    int size() const { return int(m_rooms.size()); }
    bool contains(const QByteArray &roomId) const { return m_rooms.contains(roomId); }
    QList<QByteArray> ids() const { return m_rooms.keys(); }
    QString room(const QByteArray &roomId) const { return m_rooms.value(roomId).room; }
    // Sorted; each out-of-step room with why: "103（切断）".
    const QStringList &following() const { return m_following; }
    const QStringList &outOfStep() const { return m_outOfStep; }

    // "2 部屋が同期中: 101, 102", and a line of the rooms not in step.
    QString text() const;

private:
    static QString outOfStepEntry(const RoomPresence &presence);
    void list(const RoomPresence &presence);
    void unlist(const RoomPresence &presence);

    QHash<QByteArray, RoomPresence> m_rooms;
    QStringList m_following;
    QStringList m_outOfStep;
};

} // namespace zentrel
