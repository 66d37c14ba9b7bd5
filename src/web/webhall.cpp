#include "webhall.h"

#include "clock/cues.h"
#include "clock/phases.h"
#include "doorkeeper.h"
#include "sound/cuefiles.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QWebSocket>

namespace zentrel {

namespace {
using Status = QHttpServerResponder::StatusCode;

// Nothing but this program's own files, no inline script, no framing by other sites.
constexpr const char *ContentPolicy
    = "default-src 'self'; script-src 'self'; style-src 'self'; connect-src 'self' ws: wss:; "
      "media-src 'self'; img-src 'self'; base-uri 'none'; form-action 'none'; "
      "frame-ancestors 'none'";
// A browser has nothing to tell the page beyond pongs and closing; anything bigger is junk.
constexpr quint64 MaxIncomingBytes = 1024;

struct PageFile
{
    QString path;
    QString file; // a resource, or a cue's name for resolveCueFile
    QByteArray type;
};

QList<PageFile> pageFiles()
{
    QList<PageFile> files {
        { u"/"_qs, u":/web/index.html"_qs, "text/html; charset=utf-8" },
        { u"/page.js"_qs, u":/web/page.js"_qs, "text/javascript; charset=utf-8" },
        { u"/page.css"_qs, u":/web/page.css"_qs, "text/css; charset=utf-8" },
    };
    QStringList cues { QString::fromLatin1(WarningCueFile) };
    for (const PhaseRow &row : Phases) {
        if (row.announcement)
            cues.append(QString::fromLatin1(row.announcement));
    }
    for (const QString &cue : cues)
        files.append({ u"/cues/"_qs + cue, cue, "audio/wav" });
    return files;
}

QString listenProblem(const QTcpServer &server)
{
    switch (server.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return u"他のプログラムが使用中です"_qs;
    case QAbstractSocket::SocketAccessError:
        return u"権限がありません"_qs;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return u"このコンピュータのアドレスではありません"_qs;
    default:
        return server.errorString();
    }
}

QByteArray readPageFile(const PageFile &page)
{
    QFile file(page.file.startsWith(u':') ? page.file : resolveCueFile(page.file));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

WebHall::WebHall(WebNames names, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_names(std::move(names))
{
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebHall::takeSockets);
    m_pings.setInterval(PingIntervalMs);
    connect(&m_pings, &QTimer::timeout, this, &WebHall::pingAll);
}

WebHall::~WebHall()
{
    for (QWebSocket *socket : m_sockets.keys())
        delete socket;
}

QString WebHall::listen(const WebAddress &address)
{
    m_keeper = new DoorKeeper(this);
    if (!m_keeper->listen(address.address, address.port)) {
        const QString why = listenProblem(*m_keeper);
        delete m_keeper;
        m_keeper = nullptr;
        return u"ウェブ表示のポート %1:%2 を開けません（%3）"_qs.arg(address.address.toString())
            .arg(address.port)
            .arg(why);
    }
    bind(m_keeper);
    m_pings.start();
    return {};
}

quint16 WebHall::port() const
{
    return m_keeper ? m_keeper->serverPort() : 0;
}

bool WebHall::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QString path = request.url().path();
    // An upgrade that is handled, with nothing written, becomes a web socket; one elsewhere
    // is unhandled and answered by missingHandler(). Qt takes it as an upgrade only with
    // both headers; with one it is a plain request, answered like any other.
    if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0
        && request.value("connection").toLower().contains("upgrade")) {
        const bool toSocket = path == QLatin1String(SocketPath)
            && request.method() == QHttpServerRequest::Method::Get;
        if (toSocket)
            DoorKeeper::requestRead(socket, Afterwards::WebSocket);
        return toSocket;
    }
    DoorKeeper::requestRead(socket, Afterwards::MoreRequests);
    static const QList<PageFile> files = pageFiles();
    const auto file = std::find_if(files.begin(), files.end(),
                                   [&path](const PageFile &f) { return f.path == path; });
    QHttpServerResponder responder = makeResponder(request, socket);
    if (file == files.end()) {
        responder.write(Status::NotFound);
    } else if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write({ { "Allow", "GET" } }, Status::MethodNotAllowed);
    } else {
        const QByteArray body = readPageFile(*file);
        if (body.isEmpty()) {
            responder.write(Status::NotFound);
        } else {
            responder.write(body,
                            { { "Content-Type", file->type },
                              { "Content-Security-Policy", ContentPolicy },
                              { "X-Content-Type-Options", "nosniff" },
                              { "Referrer-Policy", "no-referrer" },
                              { "Cache-Control", "no-cache" } });
        }
    }
    return true;
}

void WebHall::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    makeResponder(request, socket).write(Status::NotFound);
}

void WebHall::takeSockets()
{
    while (hasPendingWebSocketConnections()) {
        QWebSocket *socket = nextPendingWebSocketConnection().release();
        socket->setParent(this);
        if (socket->requestUrl().path() != QLatin1String(SocketPath)) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
            socket->deleteLater();
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(MaxIncomingBytes);
        socket->setMaxAllowedIncomingMessageSize(MaxIncomingBytes);
        m_sockets[socket].sincePong.start();
        connect(socket, &QWebSocket::pong, this,
                [this, socket] { m_sockets[socket].sincePong.start(); });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
        // A page that joins hears the room as it stands, never a cue that is past.
        if (m_last) {
            WebView now = *m_last;
            now.cue = Cue::None;
            send(socket, QString::fromUtf8(webStateMessage(now, m_names)));
        }
    }
}

void WebHall::show(const WebView &view)
{
    m_last = view;
    const QString message = QString::fromUtf8(webStateMessage(view, m_names));
    for (QWebSocket *socket : m_sockets.keys()) {
        if (m_sockets.contains(socket)) // not dropped by an earlier send
            send(socket, message);
    }
}

void WebHall::send(QWebSocket *socket, const QString &message)
{
    if (socket->bytesToWrite() > MaxUnsentBytes) {
        drop(socket);
        return;
    }
    socket->sendTextMessage(message);
}

void WebHall::pingAll()
{
    for (QWebSocket *socket : m_sockets.keys()) {
        if (m_sockets[socket].sincePong.hasExpired(PongTimeoutMs))
            drop(socket);
        else
            socket->ping();
    }
}

void WebHall::drop(QWebSocket *socket)
{
    if (!m_sockets.remove(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void WebHall::farewell()
{
    m_pings.stop();
    const QString last = QString::fromUtf8(webEndMessage());
    for (QWebSocket *socket : m_sockets.keys()) {
        socket->sendTextMessage(last);
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
        socket->flush();
    }
}

} // namespace zentrel
