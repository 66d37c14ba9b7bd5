#include "roomleader.h"

#include "brokerlink.h"
#include "circuitscreen.h"
#include "messageseal.h"

#include <QDateTime>
#include <algorithm>

namespace zentrel {

namespace {
qint64 utcNow()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

RoomLeader::RoomLeader(const BrokerLogin &login, QObject *parent)
    : QObject(parent)
    , m_circuit(login.address.circuit)
    , m_topics(m_circuit)
    , m_id(newClientId())
    , m_key(login.circuitKey)
    , m_client(new BrokerLink(login, newSecretClientId(), this))
    , m_watch(login.circuitKey, m_id)
{
    m_steady.start();
    m_client->setWill(m_topics.leader(m_id), {}, Retain::Yes);
    m_client->addSubscription(m_topics.leader("+"));
    m_client->addSubscription(m_topics.room("+"));
    m_client->addSubscription(m_topics.probe(m_id));
    m_client->addSubscription(m_topics.clock());
    // Subscriptions go out before this signal, so every retained room comes after it.
    connect(m_client, &BrokerLink::connected, this, [this] { m_roomsSeenSinceSubscribe.clear(); });
    connect(m_client, &BrokerLink::subscribed, this, &RoomLeader::onSubscribed);
    connect(m_client, &BrokerLink::messageArrived, this, &RoomLeader::onMessage);
    m_client->setScreen(circuitScreen(m_topics, m_key, {}));
    connect(m_client, &BrokerLink::screenedOut, this, &RoomLeader::reject);
    connect(m_client, &BrokerLink::disconnected, this, &RoomLeader::brokerLost);
    connect(m_client, &BrokerLink::setupFailed, this, &RoomLeader::refuse);
    m_heartbeat.setInterval(HeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &RoomLeader::sendClock);
    m_listen.setSingleShot(true);
    m_listen.setInterval(ListenMs);
    connect(&m_listen, &QTimer::timeout, this, &RoomLeader::decide);
    m_answer.setSingleShot(true);
    connect(&m_answer, &QTimer::timeout, this, &RoomLeader::answer);
    m_roomSweep.setInterval(RoomPresenceRepeatMs);
    connect(&m_roomSweep, &QTimer::timeout, this, &RoomLeader::dropSilentRooms);
    if (!m_key.isEmpty())
        m_roomSweep.start();
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

void RoomLeader::publish(const ClockState &state)
{
    m_clock = state;
    if (m_state == LeaderState::Leading)
        sendClock();
}

void RoomLeader::sendClock()
{
    const QByteArray topic = m_topics.clock();
    m_client->publish(
        topic,
        sealMessage(topic, encodeClockMessage({ m_clock, ++m_sequence, m_id }), m_key, utcNow()),
        Retain::Yes, Delivery::LatestOnly);
    m_heartbeat.start();
    if (!m_rival.isEmpty() && !m_watch.isLive(m_rival, now())) {
        m_rival.clear();
        Q_EMIT rivalGone();
    }
}

void RoomLeader::announce()
{
    const QByteArray topic = m_topics.leader(m_id);
    m_client->publish(topic, sealMessage(topic, encodeLeaderPresence(m_id), m_key, utcNow()),
                      Retain::Yes);
}

// Retained messages come before anything published after the subscription, so once the
// probe comes back every retained presence has been read. Anyone who may read the probes can
// send one too; a fresh nonce makes an old probe or a made-up one count for nothing.
void RoomLeader::onSubscribed()
{
    m_probeNonce = newClientId();
    m_client->publish(m_topics.probe(m_id), encodeProbe(m_probeNonce), Retain::No);
}

// At most one presence and one clock every AnswerGapMs; the last request is never lost.
void RoomLeader::answer()
{
    if (m_answer.isActive())
        return;
    const qint64 wait = m_answeredMs + AnswerGapMs - now();
    if (wait > 0) {
        m_answer.start(int(wait));
        return;
    }
    m_answeredMs = now();
    announce();
    sendClock();
}

void RoomLeader::onMessage(const QByteArray &topic, const QByteArray &payload, Retain retained)
{
    if (m_state == LeaderState::Refused)
        return;
    const TopicName name = m_topics.classify(topic);
    switch (name.kind) {
    case TopicKind::Leader:
        onLeaderTopic(name.clientId, payload);
        break;
    case TopicKind::Room:
        onRoomTopic(topic, name.clientId, payload);
        break;
    case TopicKind::Probe:
        if (name.clientId == m_id)
            onProbe(payload);
        break;
    case TopicKind::Clock:
        if (!payload.isEmpty())
            onClock(topic, payload, retained);
        break;
    case TopicKind::Foreign:
        reject(MessageFault::ForeignTopic);
        break;
    }
}

void RoomLeader::onLeaderTopic(const QByteArray &leaderId, const QByteArray &payload)
{
    // Our will, from an earlier session that the broker saw die: put our presence back for
    // the followers of the version before, which wait for it. With a key anyone's unsigned
    // goodbye is only counted.
    if (!payload.isEmpty())
        return;
    if (!m_key.isEmpty())
        reject(MessageFault::Unsigned);
    else if (leaderId == m_id && m_state == LeaderState::Leading)
        answer();
}

void RoomLeader::onClock(const QByteArray &topic, const QByteArray &payload, Retain retained)
{
    const ClockOutcome heard = m_watch.hear(topic, payload, now(), utcNow(), retained);
    if (heard.verdict == ClockVerdict::Refused) {
        reject(heard.fault);
        return;
    }
    if (heard.verdict == ClockVerdict::OtherLeader && m_state == LeaderState::Leading
        && m_rival.isEmpty()) {
        m_rival = heard.message.leaderId;
        Q_EMIT rivalHeard(m_rival);
    }
}

void RoomLeader::onRoomTopic(const QByteArray &topic, const QByteArray &roomId,
                             const QByteArray &payload)
{
    // With a key a room goes only when its signed presence stops (dropSilentRooms).
    if (payload.isEmpty()) {
        if (!m_key.isEmpty())
            reject(MessageFault::Unsigned);
        else
            dropRoom(roomId);
        return;
    }
    const Decoded<qint64> opened = openMessage(topic, payload, m_key, utcNow());
    const Decoded<RoomPresence> presence = decodeRoomStanding(payload);
    if (!opened.ok() || !presence.ok()) {
        reject(opened.ok() ? presence.fault : opened.fault);
        return;
    }
    m_roomsSeenSinceSubscribe.insert(roomId);
    // Signed: only what is newer than the last from this room counts.
    if (!m_key.isEmpty()) {
        if (opened.value <= m_roomSignedAt.value(roomId, -1))
            return;
        m_roomSignedAt.insert(roomId, opened.value);
        m_roomHeardMs.insert(roomId, now());
    }
    const RosterChange change = m_roster.update(roomId, presence.value);
    switch (change) {
    case RosterChange::Joined:
        Q_EMIT followerJoined(presence.value.room);
        break;
    case RosterChange::Full:
        m_roomsSeenSinceSubscribe.remove(roomId);
        m_roomSignedAt.remove(roomId);
        m_roomHeardMs.remove(roomId);
        ++m_ignoredRooms;
        Q_EMIT roomIgnored();
        return;
    case RosterChange::Same:
        return;
    case RosterChange::Restood:
    case RosterChange::Left:
        break;
    }
    if (presence.value.standing != RoomStanding::Following)
        Q_EMIT roomOutOfStep(m_roster.outOfStep().filter(presence.value.room).value(0));
    Q_EMIT rosterChanged();
}

void RoomLeader::onProbe(const QByteArray &payload)
{
    const Decoded<QByteArray> nonce = decodeProbe(payload);
    if (m_probeNonce.isEmpty() || !nonce.ok() || nonce.value != m_probeNonce) {
        reject(nonce.ok() ? MessageFault::Implausible : nonce.fault);
        return;
    }
    m_probeNonce.clear();
    if (m_state == LeaderState::Checking) {
        if (!m_listen.isActive())
            m_listen.start();
        return;
    }
    // Rooms that went while this leader was cut off are no longer retained; with a key,
    // silence tells it instead.
    const QList<QByteArray> known = m_roster.ids();
    for (const QByteArray &roomId : known) {
        if (m_key.isEmpty() && !m_roomsSeenSinceSubscribe.contains(roomId))
            dropRoom(roomId);
    }
    answer();
    Q_EMIT leading(); // again, after the broker came back
}

void RoomLeader::dropRoom(const QByteArray &roomId)
{
    const QString room = m_roster.room(roomId);
    m_roomSignedAt.remove(roomId);
    m_roomHeardMs.remove(roomId);
    if (m_roster.remove(roomId) == RosterChange::Left) {
        Q_EMIT followerLeft(room);
        Q_EMIT rosterChanged();
    }
}

void RoomLeader::dropSilentRooms()
{
    const QList<QByteArray> known = m_roster.ids();
    for (const QByteArray &roomId : known) {
        if (now() - m_roomHeardMs.value(roomId, 0) > RoomMissedRepeats * RoomPresenceRepeatMs)
            dropRoom(roomId);
    }
}

void RoomLeader::decide()
{
    const QByteArray other = m_watch.liveOther(now());
    if (other.isEmpty()) {
        takeCircuit();
        return;
    }
    if (!m_key.isEmpty() && other != m_waitedFor) {
        m_waitedFor = other;
        m_waitedSigned = m_watch.newestSigned(other);
        m_listen.start(int(std::clamp<qint64>(m_waitedSigned + MaxClockSkewMs - utcNow(), 0,
                                              2 * MaxClockSkewMs))
                       + AnswerGapMs);
        return;
    }
    if (!m_key.isEmpty() && m_watch.newestSigned(other) <= m_waitedSigned) {
        takeCircuit();
        return;
    }
    refuse(QStringLiteral("回路「%1」では別のリーダー（ID %2）が時計を送っています。"
                          "このタイマーはリーダーになれないため終了します。")
               .arg(m_circuit, QString::fromLatin1(other)));
}

void RoomLeader::takeCircuit()
{
    m_state = LeaderState::Leading;
    announce();
    sendClock();
    Q_EMIT leading();
}

void RoomLeader::refuse(const QString &reason)
{
    if (m_state == LeaderState::Refused)
        return;
    m_state = LeaderState::Refused;
    m_heartbeat.stop();
    m_listen.stop();
    if (m_client)
        m_client->deleteLater();
    Q_EMIT refused(reason);
}

int RoomLeader::rejectedMessages() const
{
    // The link is gone once refuse() has run.
    return m_rejected + (m_client ? m_client->screenedUntold() + m_client->floodDropped() : 0);
}

void RoomLeader::reject(MessageFault fault, int count)
{
    m_rejected += count;
    Q_EMIT messageRejected(fault, count);
}

} // namespace zentrel
