#pragma once

#include <QDateTime>
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
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this, target] {
            while (QTcpSocket *room = m_server.nextPendingConnection()) {
                auto *broker = new QTcpSocket(room);
                broker->connectToHost(QHostAddress::LocalHost, target);
                lane(room, broker);
                lane(broker, room);
                connect(room, &QTcpSocket::disconnected, broker, &QTcpSocket::abort);
                connect(broker, &QTcpSocket::disconnected, room, &QTcpSocket::abort);
                connect(room, &QTcpSocket::disconnected, room, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void stall(int ms) { m_stalledUntil = now() + ms; }
    void setLatency(int meanMs, int spreadMs) { m_mean = meanMs, m_spread = spreadMs; }
    void resetAll()
    {
        for (QTcpSocket *end : m_server.findChildren<QTcpSocket *>())
            end->abort();
    }

private:
    static qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }
    // Chunks wait in order for their moment and for the other end's connection.
    void lane(QTcpSocket *from, QTcpSocket *to)
    {
        auto *timer = new QTimer(from);
        const auto queue = std::make_shared<std::deque<std::pair<qint64, QByteArray>>>();
        connect(timer, &QTimer::timeout, to, [=] {
            while (!queue->empty() && queue->front().first <= now()
                   && to->state() == QAbstractSocket::ConnectedState)
                to->write(queue->front().second), queue->pop_front();
        });
        timer->start(5);
        connect(from, &QTcpSocket::readyRead, timer, [=, this] {
            const int jitter
                = m_spread ? QRandomGenerator::global()->bounded(-m_spread, m_spread + 1) : 0;
            queue->emplace_back(std::max({ now() + m_mean + jitter, m_stalledUntil,
                                           queue->empty() ? 0 : queue->back().first }),
                                from->readAll());
        });
    }

    QTcpServer m_server;
    qint64 m_stalledUntil = 0;
    int m_mean = 0, m_spread = 0;
};
