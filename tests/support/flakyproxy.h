#pragma once

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <deque>

// The hall's Wi-Fi between a room and the broker: a TCP proxy on a loopback port that can
// stall (nothing passes either way, then everything at once) and reset every connection.
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
            queue->emplace_back(std::max(now(), m_stalledUntil), from->readAll());
        });
    }

    QTcpServer m_server;
    qint64 m_stalledUntil = 0;
};
