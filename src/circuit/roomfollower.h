#pragma once

#include "brokeraddress.h"
#include "clockmessage.h"
#include "leaderwatch.h"
#include "roomroster.h"
#include "roomtopics.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace zentrel {

class BrokerLink;

enum class FollowerLink { CutOff, Following };
enum class CutOffReason { BrokerLost, LeaderGone, LeaderSilent, ClocksRefused };

// Follows a circuit's leader: hands on each new clock state of the one live leader it
// follows, announces this room and how it stands, and tells when the leader is lost and when
// it is heard again. Which leader lives and which clock is news is LeaderWatch's decision.
class RoomFollower : public QObject
{
    Q_OBJECT
public:
    RoomFollower(const BrokerLogin &login, const QString &room, QObject *parent = nullptr);
    ~RoomFollower() override; // the room's presence is cleared

    void start();

    FollowerLink link() const { return m_link; }
    RoomStanding standing() const { return m_standing; }
    StepFault why() const { return m_why; }
    int rejectedMessages() const;
    QByteArray publicId() const { return m_id; }

    // A signed presence is renewed this often, so a leader that starts later finds it fresh
    // and one that stops hearing it knows the room has gone.
    static constexpr int PresenceRepeatMs = RoomPresenceRepeatMs;
    static constexpr int AnswerGapMs = 1000;

Q_SIGNALS:
    // Follows rejoined() when the leader is heard again, so the state shown is the leader's
    // within the same turn of the event loop.
    void stateReceived(const ClockState &state);
    void cutOff(CutOffReason reason);
    void rejoined();
    void messageRejected(zentrel::MessageFault fault, int count);
    // The leader's clocks are refused: for the circuit key (Unsigned, Forged or Stale) or
    // their version (WrongVersion).
    void clocksRefused(MessageFault fault);
    void setupFailed(const QString &reason);

private:
    void onMessage(const QByteArray &topic, const QByteArray &payload, Retain retained);
    void onClock(const QByteArray &topic, const QByteArray &payload, Retain retained);
    void refuseClocks(MessageFault fault);
    bool refusing() const;
    void onLeaderTopic(const QByteArray &topic, const QByteArray &leaderId,
                       const QByteArray &payload);
    void take();
    void cut(CutOffReason reason);
    void reject(MessageFault fault, int count = 1);
    void announce();
    void updateStanding();
    qint64 now() const { return m_steady.elapsed(); }

    RoomTopics m_topics;
    QByteArray m_id; // public, in the topics
    QString m_room;
    QByteArray m_key;
    BrokerLink *m_client = nullptr;
    LeaderWatch m_watch;
    FollowerLink m_link = FollowerLink::CutOff;
    RoomStanding m_standing = RoomStanding::CutOff;
    StepFault m_why = StepFault::NoLeader;
    bool m_brokerDown = true;
    ClockMessage m_news; // the latest clock taken in this turn of the event loop
    QTimer m_showNews; // so that a burst of clocks shows only its last
    QElapsedTimer m_steady;
    qint64 m_keyRefusedAt = -1; // when a clock was last refused for its key or version
    MessageFault m_keyFault = MessageFault::None;
    bool m_followedGone = false; // its presence was cleared: it said goodbye
    QTimer m_silence;
    QTimer m_presenceRepeat;
    QTimer m_announce; // a presence held back to keep them AnswerGapMs apart
    qint64 m_announcedMs = -AnswerGapMs;
    int m_rejected = 0;
};

} // namespace zentrel
