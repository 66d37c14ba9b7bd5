#pragma once

#include "brokeraddress.h"
#include "clockmessage.h"
#include "mqttclient.h"
#include "roomtopics.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace zentrel {

// One MQTT session that never blocks the thread that owns it: its thread, reconnection,
// will, subscriptions and publishing. The library itself is behind MqttClient.
//
// The network runs on a thread of this object's own that drives the client's loop; results
// come back as queued signals. Socket notifiers on the owner's thread were the other way,
// but the first connection looks the host name up synchronously and a TLS handshake
// can stall on a slow peer, and either would then freeze the window; on a thread of our own
// they cost nothing, the host name stays the one TLS verifies, and publishing only queues a
// packet and wakes that thread (threaded mode). Lost connections are retried with a backoff
// from a quarter of a second doubling up to one second.
class BrokerLink : public QObject
{
    Q_OBJECT
public:
    BrokerLink(const BrokerLogin &login, const QByteArray &clientId, QObject *parent = nullptr);
    ~BrokerLink() override; // sends DISCONNECT (no will); waits for the thread up to 0.6 s

    // The message the broker publishes when this session dies uncleanly: set on each
    // connection, so a change counts from the next one. Before start(): the topic filters,
    // subscribed afresh on each connection.
    void setWill(const QByteArray &topic, const QByteArray &payload, Retain retain);
    void addSubscription(const QByteArray &filter);
    // Runs on the link's thread for each message before it may reach the owner's, so that a
    // flood of garbage or forgeries never queues up ahead of the clock's ticks: nothing to
    // pass it on, MessageFault::None to drop a message the owner ignores anyway, any other
    // fault to drop it as rejected. It must be safe to call from that thread.
    using Screen = std::function<std::optional<MessageFault>(
        const QByteArray &topic, const QByteArray &payload, Retain retained)>;
    void setScreen(Screen screen) { m_screen = std::move(screen); }
    void start();

    // Queues a message; false when it cannot be queued, e.g. while disconnected.
    bool publish(const QByteArray &topic, const QByteArray &payload, Retain retain,
                 Delivery delivery = Delivery::AtLeastOnce);

    bool isConnected() const { return m_connected; }
    // Why this link cannot be set up; empty when it can.
    QString setupProblem() const { return m_setupProblem; }
    // Messages left unread because the owner's thread fell too far behind.
    int floodDropped() const { return m_floodDropped.load(); }
    // Messages the screen rejected that screenedOut() has not told yet.
    int screenedUntold() const { return m_screenedOut.load(); }

Q_SIGNALS:
    void connected();
    void disconnected(const QString &reason);
    // TLS or the login could not be set up, or the broker refused the login before any
    // connection succeeded: nothing is sent in clear instead, and the link stays down. The
    // reason is for the operator, in Japanese.
    void setupFailed(const QString &reason);
    void subscribed(); // every filter acknowledged after a connection
    // The payload is cut to MaxMessageBytes + 1 bytes, so a reader can tell it was oversized.
    // A retained message kept from before comes before anything published after the
    // subscription.
    // `retained`: kept by the broker from before this connection subscribed.
    void messageArrived(const QByteArray &topic, const QByteArray &payload,
                        zentrel::Retain retained);
    // What the screen rejected, at most every ScreenReportMs: the latest fault, and how many
    // since the last report.
    void screenedOut(zentrel::MessageFault fault, int count);

private:
    void run();
    int serve(int rc);
    void waitBeforeRetry(int milliseconds);
    void post(auto function);
    void onConnect(bool accepted);
    void onSubscribe(int request);
    void onMessage(const char *topic, const char *payload, qsizetype size, Retain retained);
    void screenOut(MessageFault fault);

    BrokerLogin m_login;
    QByteArray m_clientId;
    QList<QByteArray> m_filters;
    struct Will
    {
        QByteArray topic, payload;
        Retain retain = Retain::No;
    };
    std::optional<Will> m_will; // guarded by m_mutex
    QString m_setupProblem;
    std::atomic<bool> m_everConnected = false;
    std::unique_ptr<MqttClient> m_client;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_handshakeDone = false; // CONNACK accepted since the last retry wait
    std::atomic<bool> m_loginRefused = false; // CONNACK refused since the last retry wait
    std::atomic<int> m_lastSubscribeId = 0;
    std::atomic<int> m_pending = 0;
    bool m_connected = false; // owner's thread
    std::atomic<int> m_floodDropped = 0;
    Screen m_screen;
    std::atomic<int> m_screenedOut = 0;
    std::atomic<int> m_screenFault = 0;
    std::atomic<qint64> m_screenReportedMs = -ScreenReportMs;

public:
    static constexpr qint64 ScreenReportMs = 250;
};

} // namespace zentrel
