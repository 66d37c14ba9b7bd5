#pragma once

#include "brokeraddress.h"
#include "clockmessage.h"

#include "roomtopics.h"
#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

struct mosquitto;
struct mosquitto_message;

namespace zentrel {

enum class Retain { No, Yes };
// QoS 1 for what must arrive; QoS 0 for a state that the next message replaces: the library
// keeps no copy of it to send again after a reconnection, where it would come after the
// fresher state it was overtaken by.
enum class Delivery { AtLeastOnce, LatestOnly };

// One MQTT session over libmosquitto that never blocks the thread that owns it.
//
// The network runs on a thread of this object's own that drives mosquitto_loop(); results
// come back as queued signals. Socket notifiers on the owner's thread were the other way,
// but mosquitto_connect_async() looks the host name up synchronously and a TLS handshake
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

    // Before start(): the message the broker publishes when this session dies uncleanly,
    // and the topic filters, subscribed afresh on each connection.
    void setWill(const QByteArray &topic, const QByteArray &payload, Retain retain);
    void addSubscription(const QByteArray &filter);
    // Runs on the link's thread for each message before it may reach the owner's, so that a
    // flood of garbage or forgeries never queues up ahead of the clock's ticks: nothing to
    // pass it on, MessageFault::None to drop a message the owner ignores anyway, any other
    // fault to drop it as rejected. It must be safe to call from that thread.
    using Screen = std::function<std::optional<MessageFault>(const QByteArray &topic,
                                                             const QByteArray &payload)>;
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
    // TLS or the login could not be set up: nothing is sent in clear instead, and the link
    // stays down. The reason is for the operator, in Japanese.
    void setupFailed(const QString &reason);
    void subscribed(); // every filter acknowledged after a connection
    // The payload is cut to MaxMessageBytes + 1 bytes, so a reader can tell it was oversized.
    void messageArrived(const QByteArray &topic, const QByteArray &payload);
    // What the screen rejected, at most every ScreenReportMs: the latest fault, and how many
    // since the last report.
    void screenedOut(zentrel::MessageFault fault, int count);

private:
    void run();
    int serve(int rc);
    void waitBeforeRetry(int milliseconds);
    void check(int rc, const char *what);
    void post(auto function);
    static void onConnect(mosquitto *, void *self, int rc);
    static void onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    void screenOut(MessageFault fault);

    BrokerLogin m_login;
    QByteArray m_clientId;
    QList<QByteArray> m_filters;
    QString m_setupProblem;
    std::atomic<bool> m_everConnected = false;
    mosquitto *m_mosq = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_handshakeDone = false; // CONNACK accepted since the last retry wait
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

// The screen of a room that reads `topics`: topics of `ignored` kinds dropped unseen, foreign
// ones rejected, and with a key every signed payload checked.
BrokerLink::Screen circuitScreen(const RoomTopics &topics, const QByteArray &key,
                                 QList<TopicKind> ignored);

} // namespace zentrel
