#pragma once

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

namespace zentrel {

inline constexpr int MaxConnectionsPerAddress = 8;
inline constexpr int MaxConnections = 200;

// The listening socket: turns away a connection beyond MaxConnectionsPerAddress from one
// address or MaxConnections in all, before a byte of it is read. A connection counts until
// its socket is deleted, whether it carries requests or the clock.
class DoorKeeper : public QTcpServer
{
    Q_OBJECT

public:
    explicit DoorKeeper(QObject *parent = nullptr);

    int connectionCount() const { return m_total; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    void left(const QHostAddress &peer);

    QHash<QHostAddress, int> m_byAddress;
    int m_total = 0;
};

} // namespace zentrel
