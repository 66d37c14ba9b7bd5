#include "webhall.h"

#include "clock/cues.h"
#include "clock/phases.h"
#include "doorkeeper.h"
#include "sound/cuefiles.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QWebSocket>

namespace zentrel {

namespace {
using Status = QHttpServerResponder::StatusCode;

// Nothing but this program's own files and the page's own socket, no inline script, no
// framing by other sites.
constexpr const char *ContentPolicy
    = "default-src 'self'; script-src 'self'; style-src 'self'; connect-src 'self'%1; "
      "media-src 'self'; img-src 'self'; base-uri 'none'; form-action 'none'; "
      "frame-ancestors 'none'";
constexpr const char *BuildMark = "BUILD-ID";
constexpr const char *RetryMark = "RETRY-WAIT";
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

// The policy for a page asked for by this Host: its socket named only when the Host is a
// plain host name or address with an optional port.
QByteArray contentPolicy(const QByteArray &host)
{
    static const QRegularExpression plain(
        u"^([A-Za-z0-9.-]{1,253}|\\[[0-9A-Fa-f:.]{2,45}\\])(:[0-9]{1,5})?$"_qs);
    const QString text = QString::fromLatin1(host);
    const QString socket = plain.match(text).hasMatch()
        ? u" ws://%1%2"_qs.arg(text, QLatin1String(SocketPath))
        : QString();
    return QString::fromLatin1(ContentPolicy).arg(socket).toLatin1();
}
} // namespace

WebHall::WebHall(WebNames names, WebLimits limits, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_names(std::move(names))
    , m_limits(limits)
{
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebHall::takeSockets);
    m_pings.setInterval(PingIntervalMs);
    connect(&m_pings, &QTimer::timeout, this, &WebHall::pingAll);
    // A page joining or a quiet clock (idle or paused) still hears the room this often.
    m_heartbeat.setInterval(HeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, [this] {
        if (!m_last)
            return;
        WebView now = *m_last;
        now.cue = Cue::None;
        const QString message = QString::fromUtf8(webStateMessage(now, m_names));
        for (QWebSocket *socket : m_sockets.keys()) {
            if (m_sockets.contains(socket))
                send(socket, message);
        }
    });
}

WebHall::~WebHall()
{
    for (QWebSocket *socket : m_sockets.keys())
        delete socket;
}

QString WebHall::listen(const WebAddress &address)
{
    m_keeper = new DoorKeeper(m_limits, this);
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
    m_heartbeat.start();
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
        if (path != QLatin1String(SocketPath)
            || request.method() != QHttpServerRequest::Method::Get)
            return false;
        if (m_keeper->requestRead(socket, Afterwards::WebSocket) == Admission::Admitted)
            return true;
        // Sockets full: the page tries again after its own random wait.
        m_refused = socket;
        makeResponder(request, socket)
            .write({ { "Retry-After", QByteArray::number(DoorKeeper::retryAfterSeconds()) },
                     { "Connection", "close" } },
                   Status::ServiceUnavailable);
        return false;
    }
    m_keeper->requestRead(socket, Afterwards::MoreRequests);
    static const QList<PageFile> files = pageFiles();
    const auto file = std::find_if(files.begin(), files.end(),
                                   [&path](const PageFile &f) { return f.path == path; });
    QHttpServerResponder responder = makeResponder(request, socket);
    if (file == files.end()) {
        responder.write(Status::NotFound);
        return true;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write({ { "Allow", "GET" } }, Status::MethodNotAllowed);
        return true;
    }
    // Opened for this request: a file replaced meanwhile is served as it was opened, and
    // streamed in small pieces as the browser takes them.
    auto body = std::make_unique<QFile>(file->file.startsWith(u':') ? file->file
                                                                    : resolveCueFile(file->file));
    if (!body->open(QIODevice::ReadOnly)) {
        responder.write(Status::NotFound);
        return true;
    }
    const QByteArray policy = contentPolicy(request.value("host"));
    const std::pair<QByteArray, QByteArray> headers[] = {
        { "Content-Type", file->type },          { "Content-Security-Policy", policy },
        { "X-Content-Type-Options", "nosniff" }, { "Referrer-Policy", "no-referrer" },
        { "Cache-Control", "no-cache" },
    };
    if (path == u"/"_qs) {
        // The page carries the build id its messages are checked against, and the wait
        // before it reloads itself should its script not run.
        const QByteArray wait = QByteArray::number(DoorKeeper::retryAfterSeconds());
        responder.write(
            body->readAll().replace(BuildMark, pageBuildId().toLatin1()).replace(RetryMark, wait),
            { headers[0], headers[1], headers[2], headers[3], headers[4] });
        return true;
    }
    responder.write(body.release(), { headers[0], headers[1], headers[2], headers[3], headers[4] });
    return true;
}

void WebHall::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    if (std::exchange(m_refused, nullptr) == socket)
        return;
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
        m_keeper->taken(socket);
        socket->setMaxAllowedIncomingFrameSize(MaxIncomingBytes);
        socket->setMaxAllowedIncomingMessageSize(MaxIncomingBytes);
        m_sockets[socket].sincePong.start();
        connect(socket, &QWebSocket::pong, this,
                [this, socket](quint64, const QByteArray &payload) {
                    const auto peer = m_sockets.find(socket);
                    if (peer != m_sockets.end() && !peer->ping.isEmpty() && payload == peer->ping)
                        peer->sincePong.start();
                });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
        Q_EMIT socketCountChanged(socketCount());
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
        Peer &peer = m_sockets[socket];
        if (peer.sincePong.hasExpired(PongTimeoutMs)) {
            drop(socket);
            continue;
        }
        quint64 payload[2];
        QRandomGenerator::global()->fillRange(payload);
        peer.ping = QByteArray(reinterpret_cast<const char *>(payload), sizeof payload);
        socket->ping(peer.ping);
    }
}

void WebHall::drop(QWebSocket *socket)
{
    if (!m_sockets.remove(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    Q_EMIT socketCountChanged(socketCount());
}

void WebHall::farewell()
{
    m_pings.stop();
    m_heartbeat.stop();
    const QString last = QString::fromUtf8(webEndMessage());
    for (QWebSocket *socket : m_sockets.keys()) {
        socket->sendTextMessage(last);
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
        socket->flush();
    }
}

} // namespace zentrel
