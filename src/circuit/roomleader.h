#pragma once

#include "brokeraddress.h"
#include "clockmessage.h"
#include "leaderwatch.h"
#include "roomroster.h"
#include "roomtopics.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace zentrel {

class BrokerLink;

enum class LeaderState { Checking, Leading, Refused };

// Publishes one room's clock to the circuit's followers and keeps count of them.
//
// Before it leads it listens for ListenMs: a live leader's clocks come every second, so one
// that holds the circuit is heard and this one refuses, naming it. With a key it first waits
// until the clocks that other session had signed are stale: a dead leader's replayed clocks
// then stop counting, and only fresh ones make it refuse. Once leading, no message ends it:
// another live leader is reported (rivalHeard) and followers keep the leader they follow
// while it lives. Presence messages are kept for the log and for the previous version of
// followers; they prove nothing. In answer to what others send (its probe, its cleared
// presence) it sends at most one presence and one clock every AnswerGapMs.
class RoomLeader : public QObject
{
    Q_OBJECT
public:
    explicit RoomLeader(const BrokerLogin &login, QObject *parent = nullptr);
    ~RoomLeader() override; // leaves the circuit cleanly: presence and clock are cleared

    void start();
    // The clock's state after each tick or command. The latest is retained for followers that
    // come late, sent again on each reconnection, and repeated every HeartbeatMs while the
    // clock stands still, so followers can tell a quiet leader from a lost one.
    void publish(const ClockState &state);

    LeaderState state() const { return m_state; }
    const RoomRoster &roster() const { return m_roster; }
    int followerCount() const { return int(m_roster.following().size()); }
    int rejectedMessages() const;
    int ignoredRooms() const { return m_ignoredRooms; } // for the roster's bound
    QByteArray id() const { return m_id; }
    QByteArray rival() const { return m_rival; }
    std::uint32_t sequence() const { return m_sequence; } // of the last clock sent

    static constexpr int HeartbeatMs = 1000;
    static constexpr int ListenMs = 2500;
    static constexpr int AnswerGapMs = 1000;

Q_SIGNALS:
    void leading();
    void refused(const QString &reason); // for the operator, in Japanese; the program then ends
    void brokerLost(const QString &reason);
    void followerJoined(const QString &room);
    void followerLeft(const QString &room);
    // A room's standing changed: `entry` says which and why ("103（切断）").
    void roomOutOfStep(const QString &entry);
    void rosterChanged();
    void roomIgnored(); // the roster was full
    void rivalHeard(const QByteArray &leaderId);
    void rivalGone();
    void messageRejected(zentrel::MessageFault fault, int count);

private:
    void onSubscribed();
    void onMessage(const QByteArray &topic, const QByteArray &payload, Retain retained);
    void onLeaderTopic(const QByteArray &leaderId, const QByteArray &payload);
    void onRoomTopic(const QByteArray &topic, const QByteArray &roomId, const QByteArray &payload);
    void onClock(const QByteArray &topic, const QByteArray &payload, Retain retained);
    void onProbe(const QByteArray &payload);
    void answer();
    void dropRoom(const QByteArray &roomId);
    void dropSilentRooms();
    void decide();
    void takeCircuit();
    void announce();
    void sendClock();
    void refuse(const QString &reason);
    void reject(MessageFault fault, int count = 1);
    qint64 now() const { return m_steady.elapsed(); }

    QString m_circuit;
    RoomTopics m_topics;
    QByteArray m_id; // public, in the topics
    QByteArray m_key;
    QPointer<BrokerLink> m_client;
    LeaderState m_state = LeaderState::Checking;
    ClockState m_clock;
    std::uint32_t m_sequence = 0;
    QTimer m_heartbeat;
    QTimer m_listen;
    QByteArray m_waitedFor; // the other keyed session this leader waited out
    qint64 m_waitedSigned = 0; // its newest signing time then
    QByteArray m_probeNonce; // the latest probe's; its first echo only counts
    QTimer m_answer;
    qint64 m_answeredMs = -AnswerGapMs;
    QTimer m_roomSweep; // with a key: rooms whose signed presence stopped
    QHash<QByteArray, qint64> m_roomHeardMs;
    int m_ignoredRooms = 0;
    QElapsedTimer m_steady;
    LeaderWatch m_watch;
    QByteArray m_rival;
    RoomRoster m_roster;
    QHash<QByteArray, qint64> m_roomSignedAt; // the newest signing time from each room
    QSet<QByteArray> m_roomsSeenSinceSubscribe;
    int m_rejected = 0;
};

} // namespace zentrel
