#pragma once

#include "webaddress.h"

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

class QTcpSocket;
class QWebSocket;

namespace zentrel {
class Ticket;
}

namespace zentrel {

// Connections not yet a socket (page, script, style and cue requests, idle or not).
inline constexpr int MaxRequestsPerAddress = 32;
inline constexpr int MaxRequests = 256;
// A connection that neither completes a request nor takes a byte of its answer for this
// long gets 408 and is closed; an upgrade runs on this clock until its socket is taken.
inline constexpr int RequestDeadlineMs = 5000;
// A request (line, headers and body) longer than this gets 413 and is closed; the page's own
// requests are well under 2 KiB.
inline constexpr qint64 MaxRequestBytes = 16 * 1024;
// A page socket is cut when more waits to be sent (its browser does not keep up, or floods
// pings whose answers it never reads) or when its browser sends more in a second.
inline constexpr qint64 MaxUnsentBytes = 64 * 1024;
inline constexpr qint64 MaxInboundBytesPerSecond = 16 * 1024;

// What a connection carries after the request just read.
enum class Afterwards { MoreRequests, WebSocket };
enum class Admission { Admitted, Full };

// The listening socket and every connection's ticket. Each connection is counted as a
// request until its upgrade is admitted, then as a socket until it closes. Requests past
// their caps get a canned 503 before a byte is read; an upgrade past the socket caps is
// refused by the server with 503. The ticket bounds each connection for its whole life:
// its deadline and size while a request, its unsent and inbound bytes while a socket.
class DoorKeeper : public QTcpServer
{
    Q_OBJECT

public:
    explicit DoorKeeper(WebLimits limits, QObject *parent = nullptr);

    int socketCount() const { return m_sockets.total; }

    // Told by the server for each request read in full: the next one gets a fresh deadline
    // and allowance. An upgrade counts as a socket from here, if there is room for it.
    Admission requestRead(QTcpSocket *socket, Afterwards afterwards);
    // The web socket side has taken the connection: the deadline ends, the socket's bounds
    // begin.
    void taken(QWebSocket *socket);

    // A refusal's wait, random so that refused pages do not come back together.
    static int retryAfterSeconds();
    // The short answer to a refused request: 503, Retry-After, and a page that reloads.
    static QByteArray busyAnswer();

protected:
    void incomingConnection(qintptr handle) override;

private:
    struct Tally
    {
        QHash<QHostAddress, int> byPeer;
        int total = 0;
        bool full(const QHostAddress &peer, int perPeer, int all) const
        {
            return total >= all || byPeer.value(peer) >= perPeer;
        }
        void add(const QHostAddress &peer, int step);
    };
    friend class Ticket;

    static QString connectionKey(const QHostAddress &peer, quint16 port);

    WebLimits m_limits;
    QHash<QString, Ticket *> m_tickets; // by connectionKey(), while each connection lives
    Tally m_requests;
    Tally m_sockets;
};

// The peer an address is counted as: an IPv4 address itself (also when mapped into IPv6),
// an IPv6 address by its /64.
QHostAddress countedPeer(const QHostAddress &address);

} // namespace zentrel
