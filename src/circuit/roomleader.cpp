#include "roomleader.h"

#include "brokerlink.h"

namespace zentrel {

RoomLeader::RoomLeader(const BrokerLogin &login, QObject *parent)
    : QObject(parent)
    , m_circuit(login.address.circuit)
    , m_topics(m_circuit)
    , m_id(newClientId())
    , m_client(new BrokerLink(login, "zentrel-lead-" + m_id, this))
{
    m_client->setWill(m_topics.leader(m_id), {}, Retain::Yes);
    m_client->addSubscription(m_topics.leader("+"));
    m_client->addSubscription(m_topics.room("+"));
    m_client->addSubscription(m_topics.probe(m_id));
    // Subscriptions go out before this signal, so every retained room comes after it.
    connect(m_client, &BrokerLink::connected, this, [this] { m_roomsSeenSinceSubscribe.clear(); });
    connect(m_client, &BrokerLink::subscribed, this, &RoomLeader::onSubscribed);
    connect(m_client, &BrokerLink::messageArrived, this, &RoomLeader::onMessage);
    connect(m_client, &BrokerLink::disconnected, this, &RoomLeader::brokerLost);
    m_heartbeat.setInterval(HeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &RoomLeader::sendClock);
}

RoomLeader::~RoomLeader()
{
    if (m_state == LeaderState::Leading && m_client) {
        m_client->publish(m_topics.clock(), {}, Retain::Yes);
        m_client->publish(m_topics.leader(m_id), {}, Retain::Yes);
    }
}

void RoomLeader::start()
{
    m_client->start();
}

void RoomLeader::publish(const ClockState &snapshot)
{
    m_clock = snapshot;
    if (m_state == LeaderState::Leading)
        sendClock();
}

void RoomLeader::sendClock()
{
    m_client->publish(m_topics.clock(), encodeClockMessage({ m_clock, ++m_sequence, m_id }),
                      Retain::Yes, Delivery::LatestOnly);
    m_heartbeat.start();
}

// Retained messages come before anything published after the subscription, so once the
// probe comes back every retained presence has been read.
void RoomLeader::onSubscribed()
{
    m_client->publish(m_topics.probe(m_id), "{}", Retain::No);
}

void RoomLeader::onMessage(const QByteArray &topic, const QByteArray &payload)
{
    if (m_state == LeaderState::Refused)
        return;
    const TopicName name = m_topics.classify(topic);
    switch (name.kind) {
    case TopicKind::Leader:
        onLeaderTopic(name.clientId, payload);
        break;
    case TopicKind::Room:
        onRoomTopic(name.clientId, payload);
        break;
    case TopicKind::Probe:
        if (name.clientId == m_id)
            takeCircuit();
        break;
    case TopicKind::Clock:
        break;
    case TopicKind::Foreign:
        reject(MessageFault::ForeignTopic);
        break;
    }
}

void RoomLeader::onLeaderTopic(const QByteArray &clientId, const QByteArray &payload)
{
    if (payload.isEmpty()) {
        // Our will, from an earlier session that the broker saw die: followers took it for
        // this leader's end, and the clock brings them back at once.
        if (clientId == m_id && m_state == LeaderState::Leading) {
            m_client->publish(m_topics.leader(m_id), encodeLeaderPresence(m_id), Retain::Yes);
            sendClock();
        }
        return;
    }
    const Decoded<QByteArray> other = decodeLeaderPresence(payload);
    if (!other.ok() || other.value != clientId) {
        reject(other.ok() ? MessageFault::OutOfRange : other.fault);
        return;
    }
    if (clientId == m_id)
        return;
    // Two leaders that started at the same moment: the smaller id keeps the circuit.
    if (m_state == LeaderState::Checking || clientId < m_id) {
        refuse(QStringLiteral("回路「%1」には既に別のリーダーがいます。"
                              "このタイマーはリーダーになれないため終了します。")
                   .arg(m_circuit));
    }
}

void RoomLeader::onRoomTopic(const QByteArray &clientId, const QByteArray &payload)
{
    if (payload.isEmpty()) {
        const QString room = m_rooms.take(clientId);
        if (!room.isNull()) {
            Q_EMIT followerLeft(room);
            Q_EMIT followerCountChanged(followerCount());
        }
        return;
    }
    const Decoded<QString> room = decodeRoomPresence(payload);
    if (!room.ok()) {
        reject(room.fault);
        return;
    }
    m_roomsSeenSinceSubscribe.insert(clientId);
    if (m_rooms.value(clientId) == room.value)
        return;
    m_rooms.insert(clientId, room.value);
    Q_EMIT followerJoined(room.value);
    Q_EMIT followerCountChanged(followerCount());
}

void RoomLeader::takeCircuit()
{
    // Rooms that went while this leader was cut off are no longer retained.
    const QList<QByteArray> known = m_rooms.keys();
    for (const QByteArray &clientId : known) {
        if (!m_roomsSeenSinceSubscribe.contains(clientId))
            onRoomTopic(clientId, {});
    }
    m_client->publish(m_topics.leader(m_id), encodeLeaderPresence(m_id), Retain::Yes);
    sendClock();
    m_state = LeaderState::Leading;
    Q_EMIT leading();
}

void RoomLeader::refuse(const QString &reason)
{
    m_state = LeaderState::Refused;
    m_heartbeat.stop();
    if (m_client) // what this leader may have published goes with it
        m_client->publish(m_topics.leader(m_id), {}, Retain::Yes);
    m_client->deleteLater();
    Q_EMIT refused(reason);
}

void RoomLeader::reject(MessageFault fault)
{
    ++m_rejected;
    Q_EMIT messageRejected(fault);
}

} // namespace zentrel
