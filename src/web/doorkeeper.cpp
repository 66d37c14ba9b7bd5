#include "doorkeeper.h"

#include <QPointer>
#include <QTcpSocket>

namespace zentrel {

namespace {
// A child of the socket, so it goes when the socket goes, whoever owns the socket by then
// (the web socket takes it over on upgrade and drops its signal connections).
class Ticket : public QObject
{
public:
    Ticket(QTcpSocket *socket, std::function<void()> onLeave)
        : QObject(socket)
        , m_onLeave(std::move(onLeave))
    { }
    ~Ticket() override { m_onLeave(); }

private:
    std::function<void()> m_onLeave;
};
} // namespace

DoorKeeper::DoorKeeper(QObject *parent)
    : QTcpServer(parent)
{ }

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
