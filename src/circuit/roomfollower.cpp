#include "roomfollower.h"

#include "brokerlink.h"
#include "circuitscreen.h"
#include "messageseal.h"

#include <QDateTime>

namespace zentrel {

namespace {
// A fault that keeps this room from following any leader that sends such clocks.
bool isRefusal(MessageFault fault)
{
    return fault == MessageFault::Unsigned || fault == MessageFault::Forged
        || fault == MessageFault::Stale || fault == MessageFault::WrongVersion;
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
    connect(m_client, &BrokerLink::connected, this, [this] {
        m_brokerDown = false;
        updateStanding();
        announce();
    });
    connect(m_client, &BrokerLink::disconnected, this, [this] {
        m_brokerDown = true;
        cut(CutOffReason::BrokerLost);
    });
    connect(m_client, &BrokerLink::setupFailed, this, &RoomFollower::setupFailed);
    connect(m_client, &BrokerLink::messageArrived, this, &RoomFollower::onMessage);
    m_client->setScreen(circuitScreen(m_topics, m_key, {}));
    connect(m_client, &BrokerLink::screenedOut, this, [this](MessageFault fault, int count) {
        refuseClocks(fault);
        reject(fault, count);
    });
    m_showNews.setSingleShot(true);
    m_showNews.setInterval(0);
    connect(&m_showNews, &QTimer::timeout, this, &RoomFollower::take);
    m_silence.setSingleShot(true);
    m_silence.setInterval(LeaderLifeMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        cut(refusing()           ? CutOffReason::ClocksRefused
                : m_followedGone ? CutOffReason::LeaderGone
                                 : CutOffReason::LeaderSilent);
    });
    m_announce.setSingleShot(true);
    connect(&m_announce, &QTimer::timeout, this, &RoomFollower::announce);
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

// At most one presence every AnswerGapMs, however often others make the standing change.
void RoomFollower::announce()
{
    if (m_announce.isActive())
        return;
    if (const qint64 wait = m_announcedMs + AnswerGapMs - now(); wait > 0) {
        m_announce.start(int(wait));
        return;
    }
    m_announcedMs = now();
    const QByteArray topic = m_topics.room(m_id);
    m_client->publish(topic,
                      sealMessage(topic,
                                  encodeRoomPresence(RoomPresence { m_room, m_standing, m_why }),
                                  m_key, utcNow()),
                      Retain::Yes);
}

void RoomFollower::onMessage(const QByteArray &topic, const QByteArray &payload, Retain retained)
{
    const TopicName name = m_topics.classify(topic);
    switch (name.kind) {
    case TopicKind::Leader:
        onLeaderTopic(topic, name.clientId, payload);
        break;
    case TopicKind::Clock:
        if (!payload.isEmpty()) // empty: a leader that ended cleared it
            onClock(topic, payload, retained);
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
    // Presence is a hint for the log only: life is in the clocks. With a key an unsigned
    // goodbye is only counted.
    if (payload.isEmpty()) {
        if (!m_key.isEmpty())
            reject(MessageFault::Unsigned);
        else if (leaderId == m_watch.followed())
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

void RoomFollower::onClock(const QByteArray &topic, const QByteArray &payload, Retain retained)
{
    const ClockOutcome heard = m_watch.hear(topic, payload, now(), utcNow(), retained);
    switch (heard.verdict) {
    case ClockVerdict::Take:
        m_news = heard.message;
        m_silence.start();
        m_showNews.start();
        break;
    case ClockVerdict::Refused:
        refuseClocks(heard.fault);
        reject(heard.fault);
        break;
    case ClockVerdict::Hold:
    case ClockVerdict::Repeat:
    case ClockVerdict::OtherLeader:
    case ClockVerdict::Own:
    case ClockVerdict::Retained:
        break;
    }
}

void RoomFollower::refuseClocks(MessageFault fault)
{
    if (!isRefusal(fault))
        return;
    m_keyRefusedAt = now();
    m_keyFault = fault;
    if (m_link == FollowerLink::CutOff)
        updateStanding();
}

bool RoomFollower::refusing() const
{
    return m_keyRefusedAt >= 0 && now() - m_keyRefusedAt <= LeaderLifeMs;
}

void RoomFollower::take()
{
    if (!m_silence.isActive()) // the leader was lost in between
        return;
    const ClockMessage &message = m_news;
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
    m_showNews.stop();
    if (m_link == FollowerLink::Following) {
        m_link = FollowerLink::CutOff;
        updateStanding();
        Q_EMIT cutOff(reason);
    }
}

void RoomFollower::updateStanding()
{
    const bool refused = m_link == FollowerLink::CutOff && refusing();
    const RoomStanding standing = m_link == FollowerLink::Following ? RoomStanding::Following
        : refused                                                   ? RoomStanding::Rejecting
                                                                    : RoomStanding::CutOff;
    StepFault why = StepFault::None;
    if (refused)
        why = m_keyFault == MessageFault::Stale        ? StepFault::Skew
            : m_keyFault == MessageFault::WrongVersion ? StepFault::Version
                                                       : StepFault::Key;
    else if (standing == RoomStanding::CutOff)
        why = m_brokerDown ? StepFault::BrokerLost : StepFault::NoLeader;
    const bool whyChanged = std::exchange(m_why, why) != why;
    const RoomStanding before = std::exchange(m_standing, standing);
    if (before == standing && !whyChanged)
        return;
    announce();
    if (standing == RoomStanding::Rejecting && before != RoomStanding::Rejecting)
        Q_EMIT clocksRefused(m_keyFault);
}

void RoomFollower::reject(MessageFault fault, int count)
{
    m_rejected += count;
    Q_EMIT messageRejected(fault, count);
}

} // namespace zentrel
