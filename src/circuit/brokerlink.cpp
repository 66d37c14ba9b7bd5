#include "brokerlink.h"

#include "messageseal.h"

#include <QDateTime>
#include <chrono>

#include "clockmessage.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <mosquitto.h>
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

void initLibraryOnce()
{
    static const int once = mosquitto_lib_init();
    Q_UNUSED(once);
}
} // namespace

BrokerLink::BrokerLink(const BrokerLogin &login, const QByteArray &clientId, QObject *parent)
    : QObject(parent)
    , m_login(login)
    , m_clientId(clientId)
{
    initLibraryOnce();
    m_mosq = mosquitto_new(clientId.constData(), true, this);
    if (!m_mosq) {
        m_setupProblem = QStringLiteral("MQTT クライアントを作れません");
        return;
    }
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_connect_callback_set(m_mosq, &BrokerLink::onConnect);
    mosquitto_subscribe_callback_set(m_mosq, &BrokerLink::onSubscribe);
    mosquitto_message_callback_set(m_mosq, &BrokerLink::onMessage);
    if (!login.address.user.isEmpty()) {
        check(mosquitto_username_pw_set(m_mosq, login.address.user.toUtf8().constData(),
                                        login.password.isEmpty() ? nullptr
                                                                 : login.password.constData()),
              "username_pw_set");
    }
    if (login.address.transport == BrokerTransport::Tls) {
        if (login.caFile.isEmpty())
            check(mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1), "use_os_certs");
        else
            check(mosquitto_tls_set(m_mosq, login.caFile.toLocal8Bit().constData(), nullptr,
                                    nullptr, nullptr, nullptr),
                  "tls_set");
        check(mosquitto_tls_opts_set(m_mosq, 1 /* SSL_VERIFY_PEER */, nullptr, nullptr),
              "tls_opts_set");
        check(mosquitto_tls_insecure_set(m_mosq, false), "tls_insecure_set");
    }
}

// The first failure is kept; start() then reports it instead of connecting.
void BrokerLink::check(int rc, const char *what)
{
    if (rc != MOSQ_ERR_SUCCESS && m_setupProblem.isEmpty())
        m_setupProblem = QStringLiteral("ブローカーへの接続を準備できません（%1: %2）")
                             .arg(QLatin1String(what), QString::fromUtf8(mosquitto_strerror(rc)));
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
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

void BrokerLink::setWill(const QByteArray &topic, const QByteArray &payload, Retain retain)
{
    if (m_mosq)
        mosquitto_will_set(m_mosq, topic.constData(), int(payload.size()), payload.constData(), 1,
                           retain == Retain::Yes);
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
    if (!m_connected || !m_mosq)
        return false;
    return mosquitto_publish(m_mosq, nullptr, topic.constData(), int(payload.size()),
                             payload.constData(), delivery == Delivery::AtLeastOnce ? 1 : 0,
                             retain == Retain::Yes)
        == MOSQ_ERR_SUCCESS;
}

void BrokerLink::post(auto function)
{
    QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection);
}

void BrokerLink::run()
{
    int retryMs = FirstRetryMs;
    const QByteArray host = m_login.address.host.toUtf8();
    bool hostKnown = false;
    while (!m_stopping) {
        // Only the first call may set the host: connect_async also renews the socket pair that
        // publish() on the owner's thread writes to, and by then nothing publishes yet.
        int rc = hostKnown ? mosquitto_reconnect_async(m_mosq)
                           : mosquitto_connect_async(m_mosq, host.constData(), m_login.address.port,
                                                     KeepAliveSeconds);
        hostKnown = true;
        rc = serve(rc);
        if (m_stopping)
            break;
        if (m_handshakeDone.exchange(false)) {
            retryMs = FirstRetryMs;
            m_everConnected = true;
        }
        // A certificate that cannot be loaded or verified before any connection succeeded
        // is a set-up fault, not a network one: retrying would only hide it.
        if (rc == MOSQ_ERR_TLS && !m_everConnected) {
            const QString reason
                = QStringLiteral("TLS の設定またはブローカーの証明書の確認に失敗しました（%1）")
                      .arg(QString::fromUtf8(mosquitto_strerror(rc)));
            post([this, reason] { Q_EMIT setupFailed(reason); });
            break;
        }
        const QString reason = QString::fromUtf8(mosquitto_strerror(rc));
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
    while (rc == MOSQ_ERR_SUCCESS) {
        if (m_stopping && !giveUpAt) {
            giveUpAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(StopGraceMs);
            mosquitto_disconnect(m_mosq);
        }
        if (giveUpAt && std::chrono::steady_clock::now() > *giveUpAt)
            break;
        rc = mosquitto_loop(m_mosq, LoopTimeoutMs, 1);
    }
    return rc;
}

void BrokerLink::waitBeforeRetry(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [this] { return m_stopping.load(); });
}

void BrokerLink::onConnect(mosquitto *mosq, void *self, int rc)
{
    auto *client = static_cast<BrokerLink *>(self);
    if (rc != 0) {
        mosquitto_disconnect(mosq); // the loop then ends and the retry waits
        return;
    }
    client->m_handshakeDone = true;
    for (const QByteArray &filter : client->m_filters) {
        int mid = 0;
        // QoS 0 towards us: mosquitto 2.0.11 publishes the will of a client that sends
        // DISCONNECT while a QoS 1 message to it awaits its PUBACK. Retained state and the
        // leader's heartbeat make up for a message lost with a connection.
        mosquitto_subscribe(mosq, &mid, filter.constData(), 0);
        client->m_lastSubscribeId = mid;
    }
    client->post([client] {
        client->m_connected = true;
        Q_EMIT client->connected();
    });
}

void BrokerLink::onSubscribe(mosquitto *, void *self, int mid, int, const int *)
{
    auto *client = static_cast<BrokerLink *>(self);
    if (mid == client->m_lastSubscribeId)
        client->post([client] { Q_EMIT client->subscribed(); });
}

void BrokerLink::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *client = static_cast<BrokerLink *>(self);
    const QByteArray topic(message->topic,
                           qMin(qsizetype(strlen(message->topic)), MaxTopicBytes + 1));
    const QByteArray payload(static_cast<const char *>(message->payload),
                             qMin(qsizetype(message->payloadlen), MaxMessageBytes + 1));
    if (client->m_screen) {
        if (const std::optional<MessageFault> fault = client->m_screen(topic, payload)) {
            if (*fault != MessageFault::None)
                client->screenOut(*fault);
            return;
        }
    }
    if (client->m_pending.fetch_add(1) >= MaxPendingMessages) {
        client->m_pending.fetch_sub(1);
        client->m_floodDropped.fetch_add(1);
        return;
    }
    client->post([client, topic, payload] {
        client->m_pending.fetch_sub(1);
        Q_EMIT client->messageArrived(topic, payload);
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

BrokerLink::Screen circuitScreen(const RoomTopics &topics, const QByteArray &key,
                                 QList<TopicKind> ignored)
{
    return [topics, key, ignored](const QByteArray &topic,
                                  const QByteArray &payload) -> std::optional<MessageFault> {
        const TopicKind kind = topics.classify(topic).kind;
        if (ignored.contains(kind))
            return MessageFault::None;
        if (kind == TopicKind::Foreign)
            return MessageFault::ForeignTopic;
        // A probe is this client's own marker, never signed.
        if (payload.isEmpty() || key.isEmpty() || kind == TopicKind::Probe)
            return std::nullopt;
        const Decoded<qint64> opened
            = openMessage(topic, payload, key, QDateTime::currentMSecsSinceEpoch());
        return opened.ok() ? std::nullopt : std::optional(opened.fault);
    };
}

} // namespace zentrel
