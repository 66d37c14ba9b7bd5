#pragma once

#include "doorkeeper.h"
#include "webaddress.h"
#include "webmessage.h"

#include <QObject>
#include <QThread>

namespace zentrel {

class WebHall;

// How the pages learn that the doors close: told that the program ends, or cut off as by
// a network fault (tests and benchmarks).
enum class Parting { Farewell, Silent };

// The room's clock for browsers, on a thread of its own. The window's thread hands each view
// over and never waits for a browser; it waits only while the port is opened and closed.
class WebDoors : public QObject
{
    Q_OBJECT

public:
    explicit WebDoors(WebNames names, WebLimits limits = {}, QObject *parent = nullptr);
    ~WebDoors() override; // as close(Parting::Farewell)

    // Empty when the page is served; otherwise why not, in Japanese.
    QString open(const WebAddress &address);
    quint16 port() const { return m_port; }
    // Where a browser finds the page: one address for each of this computer's networks when
    // every network is served.
    QStringList pageUrls() const;
    void show(const WebView &view);
    void close(Parting parting);
    // How many pages hold a socket now (benchmarks).
    int socketCount();

Q_SIGNALS:
    // How many pages hold a socket, on this object's thread.
    void socketCountChanged(int count);

private:
    WebNames m_names;
    WebLimits m_limits;
    QThread m_thread;
    QObject *m_onThread = nullptr; // a context object living on m_thread
    WebHall *m_hall = nullptr; // created, used and deleted on m_thread
    quint16 m_port = 0;
    QHostAddress m_address;
};

} // namespace zentrel
