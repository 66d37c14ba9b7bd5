#include "roomfollower.h"

#include "brokerlink.h"

namespace zentrel {

RoomFollower::RoomFollower(const BrokerLogin &login, const QString &room, QObject *parent)
    : QObject(parent)
    , m_topics(login.address.circuit)
    , m_id(newClientId())
    , m_room(room)
    , m_client(new BrokerLink(login, "zentrel-room-" + m_id, this))
{
    m_client->setWill(m_topics.room(m_id), {}, Retain::Yes);
    // The whole circuit, so that whatever else is published there is seen and counted.
    m_client->addSubscription(m_topics.everything());
    connect(m_client, &BrokerLink::connected, this, [this] {
        m_client->publish(m_topics.room(m_id), encodeRoomPresence(m_room), Retain::Yes);
    });
    connect(m_client, &BrokerLink::disconnected, this, [this] {
        m_liveLeader.clear();
        cut(CutOffReason::BrokerLost);
    });
    connect(m_client, &BrokerLink::messageArrived, this, &RoomFollower::onMessage);
    m_silence.setSingleShot(true);
    m_silence.setInterval(SilenceLimitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] { cut(CutOffReason::LeaderSilent); });
}

RoomFollower::~RoomFollower()
{
    m_client->publish(m_topics.room(m_id), {}, Retain::Yes);
}

void RoomFollower::start()
{
    m_client->start();
}

int RoomFollower::rejectedMessages() const
{
    return m_rejected + m_client->floodDropped();
}

void RoomFollower::onMessage(const QByteArray &topic, const QByteArray &payload)
{
    const TopicName name = m_topics.classify(topic);
    switch (name.kind) {
    case TopicKind::Leader:
        onLeaderTopic(name.clientId, payload);
        break;
    case TopicKind::Clock: {
        if (payload.isEmpty())
            break; // a leader that ended cleared it
        const Decoded<ClockMessage> message = decodeClockMessage(payload);
        if (message.ok())
            onClock(message.value);
        else
            reject(message.fault);
        break;
    }
    case TopicKind::Room:
    case TopicKind::Probe:
        break;
    case TopicKind::Foreign:
        reject(MessageFault::ForeignTopic);
        break;
    }
}

void RoomFollower::onLeaderTopic(const QByteArray &clientId, const QByteArray &payload)
{
    if (payload.isEmpty()) {
        if (clientId == m_liveLeader) {
            m_liveLeader.clear();
            cut(CutOffReason::LeaderGone);
        }
        return;
    }
    const Decoded<QByteArray> leader = decodeLeaderPresence(payload);
    if (!leader.ok() || leader.value != clientId) {
        reject(leader.ok() ? MessageFault::OutOfRange : leader.fault);
        return;
    }
    m_liveLeader = clientId;
    if (m_waiting && m_waiting->leaderId == m_liveLeader)
        take(*std::exchange(m_waiting, std::nullopt));
}

// Retained messages of one subscription come in no set order, so a clock may come before
// its leader's presence; it waits for it. A clock of a leader without presence is stale.
void RoomFollower::onClock(const ClockMessage &message)
{
    if (message.leaderId == m_liveLeader)
        take(message);
    else
        m_waiting = message;
}

void RoomFollower::take(const ClockMessage &message)
{
    m_silence.start();
    const bool rejoining = m_link == FollowerLink::CutOff;
    if (rejoining) {
        m_link = FollowerLink::Following;
        Q_EMIT rejoined();
    }
    // A retained clock comes again with each new subscription: the same state, not a new one,
    // unless this room counted on its own meanwhile.
    const bool repeated = message.leaderId == m_lastLeader && message.sequence <= m_lastSequence;
    m_lastLeader = message.leaderId;
    m_lastSequence = message.sequence;
    if (!repeated || rejoining)
        Q_EMIT stateReceived(message.clock);
}

void RoomFollower::cut(CutOffReason reason)
{
    m_silence.stop();
    if (m_link == FollowerLink::Following) {
        m_link = FollowerLink::CutOff;
        Q_EMIT cutOff(reason);
    }
}

void RoomFollower::reject(MessageFault fault)
{
    ++m_rejected;
    Q_EMIT messageRejected(fault);
}

} // namespace zentrel
