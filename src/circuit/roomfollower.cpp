#include "roomfollower.h"

#include "brokerlink.h"
#include "messageseal.h"

#include <QDateTime>

namespace zentrel {

namespace {
bool isKeyFault(MessageFault fault)
{
    return fault == MessageFault::Unsigned || fault == MessageFault::Forged
        || fault == MessageFault::Stale;
}

qint64 utcNow()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

RoomFollower::RoomFollower(const BrokerLogin &login, const QString &room, QObject *parent)
    : QObject(parent)
    , m_topics(login.address.circuit)
    , m_id(newClientId())
    , m_room(room)
    , m_key(login.circuitKey)
    , m_client(new BrokerLink(login, newSecretClientId(), this))
    , m_watch(login.circuitKey)
{
    m_steady.start();
    m_client->setWill(m_topics.room(m_id), {}, Retain::Yes);
    // Only what a follower reads: a flood on any other topic of the circuit never reaches it.
    m_client->addSubscription(m_topics.clock());
    m_client->addSubscription(m_topics.leader("+"));
    connect(m_client, &BrokerLink::connected, this, &RoomFollower::announce);
    connect(m_client, &BrokerLink::disconnected, this, [this] { cut(CutOffReason::BrokerLost); });
    connect(m_client, &BrokerLink::setupFailed, this, &RoomFollower::setupFailed);
    connect(m_client, &BrokerLink::messageArrived, this, &RoomFollower::onMessage);
    m_client->setScreen(circuitScreen(m_topics, m_key, {}));
    connect(m_client, &BrokerLink::screenedOut, this, [this](MessageFault fault, int count) {
        if (isKeyFault(fault)) {
            m_keyRefusedAt = now();
            m_keyFault = fault;
            if (m_link == FollowerLink::CutOff)
                updateStanding();
        }
        reject(fault, count);
    });
    m_silence.setSingleShot(true);
    m_silence.setInterval(LeaderLifeMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        const bool refusing = m_keyRefusedAt >= 0 && now() - m_keyRefusedAt <= LeaderLifeMs;
        cut(refusing             ? CutOffReason::ClocksRefused
                : m_followedGone ? CutOffReason::LeaderGone
                                 : CutOffReason::LeaderSilent);
    });
    m_presenceRepeat.setInterval(PresenceRepeatMs);
    connect(&m_presenceRepeat, &QTimer::timeout, this, &RoomFollower::announce);
    if (!m_key.isEmpty())
        m_presenceRepeat.start();
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
    return m_rejected + m_client->floodDropped() + m_client->screenedUntold();
}

void RoomFollower::announce()
{
    const QByteArray topic = m_topics.room(m_id);
    m_client->publish(topic,
                      sealMessage(topic, encodeRoomPresence(RoomPresence { m_room, m_standing }),
                                  m_key, utcNow()),
                      Retain::Yes);
}

void RoomFollower::onMessage(const QByteArray &topic, const QByteArray &payload)
{
    const TopicName name = m_topics.classify(topic);
    switch (name.kind) {
    case TopicKind::Leader:
        onLeaderTopic(topic, name.clientId, payload);
        break;
    case TopicKind::Clock:
        if (!payload.isEmpty()) // empty: a leader that ended cleared it
            onClock(topic, payload);
        break;
    case TopicKind::Room:
    case TopicKind::Probe:
        break;
    case TopicKind::Foreign:
        reject(MessageFault::ForeignTopic);
        break;
    }
}

void RoomFollower::onLeaderTopic(const QByteArray &topic, const QByteArray &leaderId,
                                 const QByteArray &payload)
{
    // Presence is a hint for the log only: life is in the clocks.
    if (payload.isEmpty()) {
        if (leaderId == m_watch.followed())
            m_followedGone = true;
        return;
    }
    const Decoded<qint64> opened = openMessage(topic, payload, m_key, utcNow());
    const Decoded<QByteArray> leader = decodeLeaderPresence(payload);
    if (!opened.ok())
        reject(opened.fault);
    else if (!leader.ok() || leader.value != leaderId)
        reject(leader.ok() ? MessageFault::OutOfRange : leader.fault);
}

void RoomFollower::onClock(const QByteArray &topic, const QByteArray &payload)
{
    const ClockOutcome heard = m_watch.hear(topic, payload, now(), utcNow());
    switch (heard.verdict) {
    case ClockVerdict::Take:
        take(heard.message);
        break;
    case ClockVerdict::Refused:
        if (isKeyFault(heard.fault)) {
            m_keyRefusedAt = now();
            m_keyFault = heard.fault;
            if (m_link == FollowerLink::CutOff)
                updateStanding();
        }
        reject(heard.fault);
        break;
    case ClockVerdict::Hold:
    case ClockVerdict::Repeat:
    case ClockVerdict::OtherLeader:
    case ClockVerdict::Own:
        break;
    }
}

void RoomFollower::take(const ClockMessage &message)
{
    m_silence.start();
    m_followedGone = false;
    if (m_link == FollowerLink::CutOff) {
        m_link = FollowerLink::Following;
        updateStanding();
        Q_EMIT rejoined();
    }
    Q_EMIT stateReceived(message.clock);
}

void RoomFollower::cut(CutOffReason reason)
{
    m_silence.stop();
    if (m_link == FollowerLink::Following) {
        m_link = FollowerLink::CutOff;
        updateStanding();
        Q_EMIT cutOff(reason);
    }
}

void RoomFollower::updateStanding()
{
    const bool refusing = m_keyRefusedAt >= 0 && now() - m_keyRefusedAt <= LeaderLifeMs;
    const RoomStanding standing = m_link == FollowerLink::Following ? RoomStanding::Following
        : refusing                                                  ? RoomStanding::Rejecting
                                                                    : RoomStanding::CutOff;
    if (std::exchange(m_standing, standing) == standing)
        return;
    announce();
    if (standing == RoomStanding::Rejecting)
        Q_EMIT clocksRefused(m_keyFault);
}

void RoomFollower::reject(MessageFault fault, int count)
{
    m_rejected += count;
    Q_EMIT messageRejected(fault, count);
}

} // namespace zentrel
