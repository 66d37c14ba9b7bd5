#include "brokerlink.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>

namespace zentrel {

namespace {
constexpr int KeepAliveSeconds = 5; // a silent broker is noticed within 7.5 s
constexpr int LoopTimeoutMs = 100; // how soon the thread sees that it must stop
constexpr int StopGraceMs = 500;
constexpr int FirstRetryMs = 250;
constexpr int LastRetryMs = 1000; // a room back within a second of its network
constexpr int MaxPendingMessages = 512;
constexpr qsizetype MaxTopicBytes = 256;
} // namespace

BrokerLink::BrokerLink(const BrokerLogin &login, const QByteArray &clientId, QObject *parent)
    : QObject(parent)
    , m_login(login)
    , m_clientId(clientId)
{
    m_client = std::make_unique<MqttClient>(
        login, clientId,
        MqttClient::Handlers {
            [this](bool accepted) { onConnect(accepted); },
            [this](int request) { onSubscribe(request); },
            [this](const char *topic, const char *payload, qsizetype size, Retain retained) {
                onMessage(topic, payload, size, retained);
            },
        });
    m_setupProblem = m_client->setupProblem();
}

BrokerLink::~BrokerLink()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
}

void BrokerLink::setWill(const QByteArray &topic, const QByteArray &payload, Retain retain)
{
    std::lock_guard lock(m_mutex);
    m_will = Will { topic, payload, retain };
}

void BrokerLink::addSubscription(const QByteArray &filter)
{
    m_filters.append(filter);
}

void BrokerLink::start()
{
    if (!m_setupProblem.isEmpty()) {
        post([this] { Q_EMIT setupFailed(m_setupProblem); });
        return;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

bool BrokerLink::publish(const QByteArray &topic, const QByteArray &payload, Retain retain,
                         Delivery delivery)
{
    // Nothing is queued for a later connection: the next one brings fresh state anyway.
    if (!m_connected || !m_setupProblem.isEmpty())
        return false;
    return m_client->publish(topic, payload, retain, delivery);
}

void BrokerLink::post(auto function)
{
    QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection);
}

void BrokerLink::run()
{
    int retryMs = FirstRetryMs;
    while (!m_stopping) {
        {
            std::lock_guard lock(m_mutex);
            if (m_will)
                m_client->setWill(m_will->topic, m_will->payload, m_will->retain);
        }
        const int rc = serve(m_client->connect(KeepAliveSeconds));
        if (m_stopping)
            break;
        if (m_handshakeDone.exchange(false)) {
            retryMs = FirstRetryMs;
            m_everConnected = true;
        }
        // A certificate that cannot be loaded or verified, or a login refused, before any
        // connection succeeded is a set-up fault, not a network one: retrying would only
        // hide it.
        const bool loginRefused = m_loginRefused.exchange(false);
        if ((MqttClient::isTlsFailure(rc) || loginRefused) && !m_everConnected) {
            const QString reason = loginRefused
                ? QStringLiteral("ブローカーがログインを拒否しました"
                                 "（ユーザー名とパスワードを確かめてください）")
                : QStringLiteral("TLS の設定またはブローカーの証明書の確認に失敗しました（%1）")
                      .arg(MqttClient::describe(rc));
            post([this, reason] { Q_EMIT setupFailed(reason); });
            break;
        }
        const QString reason = MqttClient::describe(rc);
        post([this, reason] {
            m_connected = false;
            Q_EMIT disconnected(reason);
        });
        waitBeforeRetry(retryMs);
        retryMs = std::min(retryMs * 2, LastRetryMs);
    }
}

// Runs one connection until it ends. Asked to stop, it sends DISCONNECT, so that the broker
// drops the will, and goes on until the library has written it and closed the socket.
int BrokerLink::serve(int rc)
{
    std::optional<std::chrono::steady_clock::time_point> giveUpAt;
    while (rc == MqttClient::Ok) {
        if (m_stopping && !giveUpAt) {
            giveUpAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(StopGraceMs);
            m_client->disconnect();
        }
        if (giveUpAt && std::chrono::steady_clock::now() > *giveUpAt)
            break;
        rc = m_client->loop(LoopTimeoutMs);
    }
    return rc;
}

void BrokerLink::waitBeforeRetry(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [this] { return m_stopping.load(); });
}

void BrokerLink::onConnect(bool accepted)
{
    if (!accepted) {
        m_loginRefused = true;
        m_client->disconnect(); // the loop then ends and the retry waits
        return;
    }
    m_handshakeDone = true;
    // QoS 0 towards us: mosquitto 2.0.11 publishes the will of a client that sends
    // DISCONNECT while a QoS 1 message to it awaits its PUBACK. Retained state and the
    // leader's heartbeat make up for a message lost with a connection.
    for (const QByteArray &filter : std::as_const(m_filters))
        m_lastSubscribeId = m_client->subscribe(filter);
    post([this] {
        m_connected = true;
        Q_EMIT connected();
    });
}

void BrokerLink::onSubscribe(int request)
{
    if (request == m_lastSubscribeId)
        post([this] { Q_EMIT subscribed(); });
}

void BrokerLink::onMessage(const char *topicText, const char *payloadBytes, qsizetype size,
                           Retain retained)
{
    const QByteArray topic(topicText, qMin(qsizetype(std::strlen(topicText)), MaxTopicBytes + 1));
    const QByteArray payload(payloadBytes, qMin(size, MaxMessageBytes + 1));
    if (m_screen) {
        if (const std::optional<MessageFault> fault = m_screen(topic, payload, retained)) {
            if (*fault != MessageFault::None)
                screenOut(*fault);
            return;
        }
    }
    if (m_pending.fetch_add(1) >= MaxPendingMessages) {
        m_pending.fetch_sub(1);
        m_floodDropped.fetch_add(1);
        return;
    }
    post([this, topic, payload, retained] {
        m_pending.fetch_sub(1);
        Q_EMIT messageArrived(topic, payload, retained);
    });
}

// Link's thread: counted, and told at most every ScreenReportMs.
void BrokerLink::screenOut(MessageFault fault)
{
    m_screenedOut.fetch_add(1);
    m_screenFault.store(int(fault));
    const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    qint64 last = m_screenReportedMs.load();
    if (now - last < ScreenReportMs || !m_screenReportedMs.compare_exchange_strong(last, now))
        return;
    post([this] {
        Q_EMIT screenedOut(MessageFault(m_screenFault.load()), m_screenedOut.exchange(0));
    });
}

} // namespace zentrel
