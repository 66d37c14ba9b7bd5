#pragma once

#include "webaddress.h"
#include "webmessage.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <optional>

class QWebSocket;

namespace zentrel {

class DoorKeeper;

// A socket whose unsent bytes pass this is closed: its browser does not keep up.
inline constexpr qint64 MaxUnsentBytes = 64 * 1024;
// A socket that answers no ping for this long is closed.
inline constexpr int PongTimeoutMs = 5000;
inline constexpr int PingIntervalMs = 1000;
inline constexpr const char *SocketPath = "/socket";

// The page, its files and the clock's sockets. Lives on the web thread: nothing here is
// ever waited for by the window. Only GET of the known paths is answered; whatever a
// browser sends over a socket is read and dropped.
class WebHall : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit WebHall(WebNames names, QObject *parent = nullptr);
    ~WebHall() override;

    // Empty when listening; otherwise why not, in Japanese.
    QString listen(const WebAddress &address);
    quint16 port() const;

    // Sends the view to every page; a page that joins later gets it without its cue.
    void show(const WebView &view);
    // Tells every page that the program ends and closes the sockets.
    void farewell();

    int socketCount() const { return int(m_sockets.size()); }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Peer
    {
        QElapsedTimer sincePong;
    };
    void takeSockets();
    void send(QWebSocket *socket, const QString &message);
    void pingAll();
    void drop(QWebSocket *socket);

    WebNames m_names;
    DoorKeeper *m_keeper = nullptr;
    QHash<QWebSocket *, Peer> m_sockets;
    std::optional<WebView> m_last;
    QTimer m_pings;
};

} // namespace zentrel
