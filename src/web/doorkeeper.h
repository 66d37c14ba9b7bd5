#pragma once

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

class QTcpSocket;

namespace zentrel {

inline constexpr int MaxConnectionsPerAddress = 8;
inline constexpr int MaxConnections = 200;
// A connection that neither completes a request nor takes a byte of its answer for this
// long is closed: idle and half-sent requests would otherwise hold a place for ever.
inline constexpr int RequestDeadlineMs = 5000;
// A request (line, headers and body) longer than this is closed before it is complete;
// the page's own requests are well under 2 KiB.
inline constexpr qint64 MaxRequestBytes = 16 * 1024;

// What a connection carries after the request just read.
enum class Afterwards { MoreRequests, WebSocket };

// The listening socket: turns away a connection beyond MaxConnectionsPerAddress from one
// address or MaxConnections in all, before a byte of it is read. A connection counts until
// its socket is deleted, whether it carries requests or the clock. Until it becomes a web
// socket, each request must come within RequestDeadlineMs and MaxRequestBytes.
class DoorKeeper : public QTcpServer
{
    Q_OBJECT

public:
    explicit DoorKeeper(QObject *parent = nullptr);

    int connectionCount() const { return m_total; }

    // Told by the server for each request read in full: the next one gets a fresh deadline
    // and allowance, or none once the connection is a web socket.
    static void requestRead(QTcpSocket *socket, Afterwards afterwards);

protected:
    void incomingConnection(qintptr handle) override;

private:
    void left(const QHostAddress &peer);

    QHash<QHostAddress, int> m_byAddress;
    int m_total = 0;
};

} // namespace zentrel
