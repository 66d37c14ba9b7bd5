#include "doorkeeper.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>
#include <QTimerEvent>
#include <QWebSocket>

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace zentrel {

namespace {
enum class Watch { Request, Upgrade, Socket, Closing };
enum class Kind { Request, Socket };
constexpr const char *TicketName = "zentrel-ticket";
constexpr int RetryMinSeconds = 1;
constexpr int RetryMaxSeconds = 10;

// What the kernel has received on this connection so far, read or not.
quint64 bytesReceived(QTcpSocket *socket)
{
    tcp_info info {};
    socklen_t size = sizeof info;
    if (getsockopt(int(socket->socketDescriptor()), IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return 0;
    return info.tcpi_bytes_received;
}

QByteArray plainAnswer(int code, const char *reason)
{
    return "HTTP/1.1 " + QByteArray::number(code) + ' ' + reason
        + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}
} // namespace

// A child of the socket, so it goes when the socket goes, whoever owns the socket by then
// (the web socket takes it over on upgrade and drops its signal connections).
class Ticket : public QObject
{
public:
    Ticket(QTcpSocket *socket, DoorKeeper *keeper, QHostAddress peer)
        : QObject(socket)
        , m_socket(socket)
        , m_keeper(keeper)
        , m_peer(std::move(peer))
        , m_key(DoorKeeper::connectionKey(socket->peerAddress(), socket->peerPort()))
    {
        setObjectName(QLatin1String(TicketName));
        m_keeper->m_tickets.insert(m_key, this);
        // Connected before the server's own reader, so each chunk is counted before it is
        // parsed. The buffer holds one byte over the allowance at most: memory stays bounded
        // while the request is unfinished, and the extra byte tells that it is too long.
        socket->setReadBufferSize(MaxRequestBytes + 1);
        connect(socket, &QTcpSocket::readyRead, this, &Ticket::arrived);
        connect(socket, &QTcpSocket::bytesWritten, this, [this] {
            if (m_answered && m_socket->bytesToWrite() == 0)
                ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
            rearm();
        });
        count(+1);
        rearm();
    }
    ~Ticket() override
    {
        if (m_keeper && m_keeper->m_tickets.value(m_key) == this)
            m_keeper->m_tickets.remove(m_key);
        count(-1);
    }

    Admission requestRead(Afterwards afterwards)
    {
        if (m_watch != Watch::Request)
            return Admission::Admitted;
        if (afterwards == Afterwards::WebSocket) {
            if (m_keeper
                && m_keeper->m_sockets.full(m_peer, m_keeper->m_limits.perAddress,
                                            m_keeper->m_limits.total))
                return Admission::Full;
            count(-1);
            m_kind = Kind::Socket;
            count(+1);
            // The deadline goes on until the web socket side has the connection: a
            // handshake it never completes must not hold the place.
            m_watch = Watch::Upgrade;
            m_socket->setReadBufferSize(0);
            return Admission::Admitted;
        }
        // Browsers ask again only once an answer is in; a client that piles requests up
        // while answers go unread would grow the unsent bytes without bound.
        if (m_socket->bytesToWrite() > 0) {
            closeSoon();
            return Admission::Admitted;
        }
        m_unfinishedBytes = 0;
        rearm();
        return Admission::Admitted;
    }

    void taken()
    {
        m_deadline.stop();
        m_watch = Watch::Socket;
        m_second.start();
        m_receivedAtSecond = bytesReceived(m_socket);
        // After the web socket's own reader, which answers pings by itself.
        connect(m_socket, &QTcpSocket::readyRead, this, &Ticket::socketRead);
    }

protected:
    void timerEvent(QTimerEvent *event) override
    {
        if (event->timerId() != m_deadline.timerId())
            return;
        m_deadline.stop();
        const Watch was = std::exchange(m_watch, Watch::Closing);
        // An answer already under way cannot be followed by another, and an answer given
        // has had its time: cut.
        if (was == Watch::Socket || m_answered || m_socket->bytesToWrite() > 0) {
            m_socket->abort();
            return;
        }
        // A clean close: the answer, then our side shut once it is out, while whatever the
        // peer still sends is read and dropped (closing with bytes unread would reset the
        // connection before the peer reads the answer).
        m_answered = true;
        QObject::disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        connect(m_socket, &QTcpSocket::readyRead, this,
                [this] { m_socket->skip(m_socket->bytesAvailable()); });
        m_socket->write(m_tooLong ? plainAnswer(413, "Content Too Large")
                                  : plainAnswer(408, "Request Timeout"));
        m_deadline.start(RequestDeadlineMs, this);
    }

private:
    void count(int step)
    {
        if (m_keeper)
            (m_kind == Kind::Request ? m_keeper->m_requests : m_keeper->m_sockets)
                .add(m_peer, step);
    }

    void rearm()
    {
        if (m_watch == Watch::Request || m_watch == Watch::Upgrade)
            m_deadline.start(RequestDeadlineMs, this);
    }

    // Closed from the event loop, never while the server or the web socket is reading.
    void closeSoon()
    {
        m_watch = Watch::Closing;
        m_deadline.start(0, this);
    }

    void arrived()
    {
        if (m_watch != Watch::Request)
            return;
        m_unfinishedBytes += m_socket->bytesAvailable();
        if (m_unfinishedBytes > MaxRequestBytes) {
            m_tooLong = true;
            closeSoon();
        }
    }

    void socketRead()
    {
        if (m_watch != Watch::Socket)
            return;
        const quint64 received = bytesReceived(m_socket);
        if (m_socket->bytesToWrite() > MaxUnsentBytes
            || received - m_receivedAtSecond > quint64(MaxInboundBytesPerSecond)) {
            m_deadline.start(0, this); // cut, not answered
            return;
        }
        if (m_second.hasExpired(1000)) {
            m_second.start();
            m_receivedAtSecond = received;
        }
    }

    QTcpSocket *m_socket = nullptr;
    QPointer<DoorKeeper> m_keeper;
    QHostAddress m_peer;
    QString m_key; // in the keeper's list of tickets
    Kind m_kind = Kind::Request;
    Watch m_watch = Watch::Request;
    bool m_tooLong = false;
    bool m_answered = false; // 408 or 413 written
    qint64 m_unfinishedBytes = 0;
    QBasicTimer m_deadline;
    QElapsedTimer m_second;
    quint64 m_receivedAtSecond = 0;
};

namespace {
Ticket *ticketOf(QObject *socket)
{
    // Ticket has no meta-object of its own: found by name, and only ever made here.
    return static_cast<Ticket *>(
        socket->findChild<QObject *>(QLatin1String(TicketName), Qt::FindDirectChildrenOnly));
}
} // namespace

QString DoorKeeper::connectionKey(const QHostAddress &peer, quint16 port)
{
    return peer.toString() + u'#' + QString::number(port);
}

void DoorKeeper::Tally::add(const QHostAddress &peer, int step)
{
    total += step;
    const auto it = byPeer.find(peer);
    if (it == byPeer.end())
        byPeer.insert(peer, step);
    else if ((*it += step) <= 0)
        byPeer.erase(it);
}

QHostAddress countedPeer(const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4)
        return QHostAddress(ipv4);
    Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int i = 8; i < 16; ++i)
        bytes[i] = 0;
    return QHostAddress(bytes);
}

DoorKeeper::DoorKeeper(WebLimits limits, QObject *parent)
    : QTcpServer(parent)
    , m_limits(limits)
{ }

Admission DoorKeeper::requestRead(QTcpSocket *socket, Afterwards afterwards)
{
    Ticket *ticket = ticketOf(socket);
    return ticket ? ticket->requestRead(afterwards) : Admission::Full;
}

void DoorKeeper::taken(QWebSocket *socket)
{
    // The web socket keeps the connection's own socket out of reach: found by its peer.
    if (Ticket *ticket = m_tickets.value(connectionKey(socket->peerAddress(), socket->peerPort())))
        ticket->taken();
}

int DoorKeeper::retryAfterSeconds()
{
    return QRandomGenerator::global()->bounded(RetryMinSeconds, RetryMaxSeconds + 1);
}

QByteArray DoorKeeper::busyAnswer()
{
    const QByteArray wait = QByteArray::number(retryAfterSeconds());
    const QByteArray body = "<!DOCTYPE html><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" "
                            "content=\""
        + wait + "\"><title>Zentrel Timer</title><p>接続しています…</p>\n";
    return "HTTP/1.1 503 Service Unavailable\r\nRetry-After: " + wait
        + "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
          "Content-Security-Policy: default-src 'none'\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void DoorKeeper::incomingConnection(qintptr handle)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    const QHostAddress peer = countedPeer(socket->peerAddress());
    if (m_requests.full(peer, MaxRequestsPerAddress, MaxRequests)) {
        // Answered before a byte is read, and closed once the answer is out (or soon).
        socket->setReadBufferSize(1);
        socket->write(busyAnswer());
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        QTimer::singleShot(RequestDeadlineMs, socket, [socket] { socket->abort(); });
        return;
    }
    new Ticket(socket, this, peer);
    addPendingConnection(socket);
}

} // namespace zentrel
