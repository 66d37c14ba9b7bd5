#pragma once

#include "brokeraddress.h"
#include "clockmessage.h"
#include "roomtopics.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace zentrel {

class BrokerLink;

enum class FollowerLink { CutOff, Following };
enum class CutOffReason { BrokerLost, LeaderGone, LeaderSilent };

// Follows a circuit's leader: hands on each new clock state it hears, announces this room,
// and tells when the leader is lost and when it is heard again.
class RoomFollower : public QObject
{
    Q_OBJECT
public:
    RoomFollower(const BrokerLogin &login, const QString &room, QObject *parent = nullptr);
    ~RoomFollower() override; // the room's presence is cleared

    void start();

    FollowerLink link() const { return m_link; }
    int rejectedMessages() const;

    // The leader repeats its clock every second; this many milliseconds without it, and
    // the follower counts on its own.
    static constexpr int SilenceLimitMs = 3500;

Q_SIGNALS:
    // Follows rejoined() when the leader is heard again, so the state shown is the leader's
    // within the same turn of the event loop.
    void stateReceived(const ClockState &snapshot);
    void cutOff(CutOffReason reason);
    void rejoined();
    void messageRejected(MessageFault fault);

private:
    void onMessage(const QByteArray &topic, const QByteArray &payload);
    void onLeaderTopic(const QByteArray &clientId, const QByteArray &payload);
    void onClock(const ClockMessage &message);
    void take(const ClockMessage &message);
    void cut(CutOffReason reason);
    void reject(MessageFault fault);

    RoomTopics m_topics;
    QByteArray m_id;
    QString m_room;
    BrokerLink *m_client = nullptr;
    FollowerLink m_link = FollowerLink::CutOff;
    QByteArray m_liveLeader; // whose presence is retained; empty when none
    std::optional<ClockMessage> m_waiting; // a clock whose leader's presence has not come yet
    QByteArray m_lastLeader;
    std::uint32_t m_lastSequence = 0;
    QTimer m_silence;
    int m_rejected = 0;
};

} // namespace zentrel
