#pragma once

#include <QDateTime>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <deque>

// The hall's Wi-Fi between a room and the broker: a TCP proxy on a loopback port that can
// stall (nothing passes either way, then everything at once), reset every connection, and
// delay each chunk by a latency of its own, never before the chunk that came before it.
class FlakyProxy : public QObject
{
public:
    explicit FlakyProxy(quint16 target)
        : m_target(target)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *room = m_server.nextPendingConnection()) {
                auto *broker = new QTcpSocket(room);
                broker->connectToHost(QHostAddress::LocalHost, m_target);
                lane(room, broker);
                lane(broker, room);
                for (QTcpSocket *end : { room, broker })
                    connect(end, &QTcpSocket::disconnected, room, [room] { reset(room); });
                m_rooms << room;
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void stall(int ms) { m_stalledUntil = now() + ms; }
    void setLatency(int meanMs, int spreadMs) { m_mean = meanMs, m_spread = spreadMs; }
    void resetAll()
    {
        for (const QPointer<QTcpSocket> &room : std::exchange(m_rooms, {}))
            reset(room);
    }

private:
    static qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }
    static void reset(QTcpSocket *room)
    {
        if (!room)
            return;
        for (QTcpSocket *end : room->findChildren<QTcpSocket *>())
            end->abort();
        room->abort();
        room->deleteLater();
    }
    void lane(QTcpSocket *from, QTcpSocket *to)
    {
        auto *timer = new QTimer(from);
        auto *queue = new std::deque<std::pair<qint64, QByteArray>>;
        connect(timer, &QObject::destroyed, [queue] { delete queue; });
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, to, [=] {
            while (!queue->empty() && queue->front().first <= now()
                   && to->state() == QAbstractSocket::ConnectedState)
                to->write(queue->front().second), queue->pop_front();
            if (!queue->empty())
                timer->start(int(std::clamp<qint64>(queue->front().first - now(), 1, 100)));
        });
        connect(from, &QTcpSocket::readyRead, timer, [=, this] {
            const int jitter
                = m_spread ? QRandomGenerator::global()->bounded(-m_spread, m_spread + 1) : 0;
            const qint64 due = std::max({ now() + m_mean + jitter, m_stalledUntil,
                                          queue->empty() ? 0 : queue->back().first });
            queue->emplace_back(due, from->readAll());
            if (!timer->isActive())
                timer->start(0);
        });
    }

    quint16 m_target;
    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_rooms;
    qint64 m_stalledUntil = 0;
    int m_mean = 0, m_spread = 0;
};
