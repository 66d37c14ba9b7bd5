#pragma once

#include "doorkeeper.h"
#include "webaddress.h"
#include "webmessage.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <optional>

class QWebSocket;

namespace zentrel {

// A socket that answers no ping of ours for this long is closed.
inline constexpr int PongTimeoutMs = 4000;
inline constexpr int PingIntervalMs = 1000;
// Each page hears the room at least this often, so that it notices a dead connection.
inline constexpr int HeartbeatMs = 2000;
inline constexpr const char *SocketPath = "/socket";

// The page, its files and the clock's sockets. Lives on the web thread: nothing here is
// ever waited for by the window. Only GET of the known paths is answered; whatever a
// browser sends over a socket is read and dropped.
class WebHall : public QAbstractHttpServer
{
    Q_OBJECT

public:
    WebHall(WebNames names, WebLimits limits, QObject *parent = nullptr);
    ~WebHall() override;

    // Empty when listening; otherwise why not, in Japanese.
    QString listen(const WebAddress &address);
    quint16 port() const;

    // Sends the view to every page; a page that joins later gets it without its cue.
    void show(const WebView &view);
    // Tells every page that the program ends and closes the sockets.
    void farewell();

    int socketCount() const { return int(m_sockets.size()); }

Q_SIGNALS:
    void socketCountChanged(int count);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Peer
    {
        QByteArray ping; // the payload of our last ping: only its pong counts
        QElapsedTimer sincePong;
    };
    void takeSockets();
    void send(QWebSocket *socket, const QString &message);
    void pingAll();
    void drop(QWebSocket *socket);

    WebNames m_names;
    WebLimits m_limits;
    DoorKeeper *m_keeper = nullptr;
    QTcpSocket *m_refused = nullptr; // answered already, not to be answered again
    QHash<QWebSocket *, Peer> m_sockets;
    std::optional<WebView> m_last;
    QTimer m_pings;
    QTimer m_heartbeat;
};

} // namespace zentrel
