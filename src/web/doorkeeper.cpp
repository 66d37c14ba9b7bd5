#include "doorkeeper.h"

#include <QBasicTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QTimerEvent>

namespace zentrel {

namespace {
enum class Watch { Request, Closing, Off };
constexpr const char *TicketName = "zentrel-ticket";

// A child of the socket, so it goes when the socket goes, whoever owns the socket by then
// (the web socket takes it over on upgrade and drops its signal connections).
class Ticket : public QObject
{
public:
    Ticket(QTcpSocket *socket, std::function<void()> onLeave)
        : QObject(socket)
        , m_socket(socket)
        , m_onLeave(std::move(onLeave))
    {
        setObjectName(QLatin1String(TicketName));
        // Connected before the server's own reader, so each chunk is counted before it is
        // parsed. The buffer holds one byte over the allowance at most: memory stays bounded
        // while the request is unfinished, and the extra byte tells that it is too long.
        socket->setReadBufferSize(MaxRequestBytes + 1);
        connect(socket, &QTcpSocket::readyRead, this, &Ticket::arrived);
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { rearm(); });
        rearm();
    }
    ~Ticket() override { m_onLeave(); }

    void requestRead(Afterwards afterwards)
    {
        if (m_watch != Watch::Request)
            return;
        if (afterwards == Afterwards::WebSocket) {
            // From here on the ping and backlog rules govern it.
            m_watch = Watch::Off;
            m_deadline.stop();
            m_socket->setReadBufferSize(0);
            return;
        }
        // Browsers ask again only once an answer is in; a client that piles requests up
        // while answers go unread would grow the unsent bytes without bound.
        if (m_socket->bytesToWrite() > 0) {
            closeSoon();
            return;
        }
        m_unfinishedBytes = 0;
        rearm();
    }

protected:
    void timerEvent(QTimerEvent *event) override
    {
        if (event->timerId() != m_deadline.timerId())
            return;
        m_deadline.stop();
        m_watch = Watch::Off;
        m_socket->abort();
    }

private:
    void rearm()
    {
        if (m_watch == Watch::Request)
            m_deadline.start(RequestDeadlineMs, this);
    }

    // Closed from the event loop, never while the server is reading or answering.
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
        if (m_unfinishedBytes > MaxRequestBytes)
            closeSoon();
    }

    QTcpSocket *m_socket = nullptr;
    std::function<void()> m_onLeave;
    Watch m_watch = Watch::Request;
    qint64 m_unfinishedBytes = 0;
    QBasicTimer m_deadline;
};
} // namespace

DoorKeeper::DoorKeeper(QObject *parent)
    : QTcpServer(parent)
{ }

void DoorKeeper::requestRead(QTcpSocket *socket, Afterwards afterwards)
{
    // Ticket has no meta-object of its own: found by name, and only ever made here.
    if (auto *ticket
        = socket->findChild<QObject *>(QLatin1String(TicketName), Qt::FindDirectChildrenOnly))
        static_cast<Ticket *>(ticket)->requestRead(afterwards);
}

void DoorKeeper::incomingConnection(qintptr handle)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    const QHostAddress peer = socket->peerAddress();
    int &fromPeer = m_byAddress[peer];
    if (fromPeer >= MaxConnectionsPerAddress || m_total >= MaxConnections) {
        if (fromPeer == 0)
            m_byAddress.remove(peer);
        socket->abort();
        delete socket;
        return;
    }
    ++fromPeer;
    ++m_total;
    new Ticket(socket, [keeper = QPointer<DoorKeeper>(this), peer] {
        if (keeper)
            keeper->left(peer);
    });
    addPendingConnection(socket);
}

void DoorKeeper::left(const QHostAddress &peer)
{
    --m_total;
    const auto it = m_byAddress.find(peer);
    if (it != m_byAddress.end() && --*it <= 0)
        m_byAddress.erase(it);
}

} // namespace zentrel
