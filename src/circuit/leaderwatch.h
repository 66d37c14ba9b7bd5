#pragma once

#include "clockmessage.h"
#include "roomtopics.h"

#include <QByteArray>
#include <vector>

namespace zentrel {

// A leader is alive while its clocks come at most this far apart; it repeats its clock every
// second. Its presence alone proves nothing: anyone can publish one.
inline constexpr int LeaderLifeMs = 2000;
inline constexpr int MaxWatchedLeaders = 16;

enum class ClockVerdict {
    Take, // the followed leader's next state: show it
    Hold, // not yet known to be alive: one message is no life
    Repeat, // not newer than what this session already sent
    OtherLeader, // another live leader while the followed one lives
    Own, // this leader's own clock, heard back
    Refused, // see the fault
    Retained, // kept by the broker from before: neither news nor proof of life
};

struct ClockOutcome
{
    ClockVerdict verdict = ClockVerdict::Refused;
    MessageFault fault = MessageFault::None;
    ClockMessage message; // its interval raised to the trim floor when taken
};

// What a room makes of the clocks on its circuit: which leader sessions are alive, which one
// it follows, and which message is news. Plain values, no broker and no timers, so that
// every decision can be tested and fuzzed with made-up times.
//
// Without a key anyone can send a clock under the followed leader's id, so its clocks are
// taken in arrival order and the sequence is not read: a forgery lasts only until the
// leader's next clock. With a key, sequences are compared within one leader session (a
// leader's id is new with each run) and never lowered, and one further ahead than its leader
// can have counted is refused. A retained clock never counts: it may be a dead session's.
class LeaderWatch
{
public:
    // `key`: the circuit key, empty for none. `ownId`: a leader's own id, whose clocks are
    // its own; empty for a follower.
    explicit LeaderWatch(QByteArray key = {}, QByteArray ownId = {});

    // A payload on the clock topic at steady time `nowMs` and UTC time `nowUtcMs`.
    ClockOutcome hear(const QByteArray &topic, const QByteArray &payload, qint64 nowMs,
                      qint64 nowUtcMs, Retain retained = Retain::No);
    // A clock already read and verified, signed at UTC `signedMs` (0 without a key).
    ClockVerdict hear(const ClockMessage &message, qint64 nowMs, qint64 signedMs = 0);

    bool isLive(const QByteArray &leaderId, qint64 nowMs) const;
    // The leader followed, alive or not; empty before the first.
    QByteArray followed() const { return m_followed; }
    bool following(qint64 nowMs) const { return isLive(m_followed, nowMs); }
    // A live leader other than the one followed (for a leader: other than itself).
    QByteArray liveOther(qint64 nowMs) const;
    // The newest signing time taken from a session; 0 for none.
    qint64 newestSigned(const QByteArray &leaderId) const;

    // How far a leader's sequence may run ahead in `elapsedMs`: a tick floor of 1 ms at worst,
    // plus the operator's commands.
    static std::uint32_t plausibleAdvance(qint64 elapsedMs);

private:
    struct Session
    {
        QByteArray id;
        std::uint32_t sequence = 0;
        qint64 heardMs = 0;
        qint64 liveSinceMs = -1; // -1: not alive yet
        qint64 signedMs = 0;
    };
    Session *find(const QByteArray &id);
    const Session *find(const QByteArray &id) const;
    Session &add(const QByteArray &id, qint64 nowMs);

    QByteArray m_key;
    QByteArray m_ownId;
    QByteArray m_followed;
    std::vector<Session> m_sessions;
};

// A clock from the wire as this room may run it: never a timer faster than the trim floor.
ClockState runnable(ClockState state);

} // namespace zentrel
