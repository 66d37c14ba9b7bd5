#include "webdoors.h"

#include "webhall.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>

namespace zentrel {

namespace {
constexpr int FarewellWaitMs = 1000;
}

WebDoors::WebDoors(WebNames names, WebLimits limits, QObject *parent)
    : QObject(parent)
    , m_names(std::move(names))
    , m_limits(limits)
{
    m_thread.setObjectName(u"web"_qs);
    m_onThread = new QObject;
    m_onThread->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_onThread, &QObject::deleteLater);
    m_thread.start();
}

WebDoors::~WebDoors()
{
    close(Parting::Farewell);
    m_thread.quit();
    m_thread.wait();
}

QString WebDoors::open(const WebAddress &address)
{
    QString problem;
    QMetaObject::invokeMethod(
        m_onThread,
        [&] {
            // Made on its own thread, so that the web socket server inside it lives there too.
            auto hall = std::make_unique<WebHall>(m_names, m_limits);
            problem = hall->listen(address);
            if (problem.isEmpty()) {
                connect(hall.get(), &WebHall::socketCountChanged, this,
                        &WebDoors::socketCountChanged);
                m_port = hall->port();
                m_address = address.address;
                m_hall = hall.release();
            }
        },
        Qt::BlockingQueuedConnection);
    return problem;
}

void WebDoors::show(const WebView &view)
{
    if (!m_hall)
        return;
    QMetaObject::invokeMethod(
        m_hall, [hall = m_hall, view] { hall->show(view); }, Qt::QueuedConnection);
}

void WebDoors::close(Parting parting)
{
    if (!m_hall)
        return;
    if (parting == Parting::Farewell) {
        // The pages answer the closing; a page that does not is cut off after a while.
        QMetaObject::invokeMethod(
            m_hall, [hall = m_hall] { hall->farewell(); }, Qt::BlockingQueuedConnection);
        const QDeadlineTimer deadline(FarewellWaitMs);
        while (socketCount() > 0 && !deadline.hasExpired())
            QThread::msleep(10);
    }
    QMetaObject::invokeMethod(
        m_onThread, [hall = m_hall] { delete hall; }, Qt::BlockingQueuedConnection);
    m_hall = nullptr;
    m_port = 0;
    Q_EMIT socketCountChanged(0);
}

int WebDoors::socketCount()
{
    int count = 0;
    if (m_hall) {
        QMetaObject::invokeMethod(
            m_hall, [&] { count = m_hall->socketCount(); }, Qt::BlockingQueuedConnection);
    }
    return count;
}

QStringList WebDoors::pageUrls() const
{
    QList<QHostAddress> hosts { m_address };
    if (m_address == QHostAddress::Any || m_address == QHostAddress::AnyIPv4
        || m_address == QHostAddress::AnyIPv6) {
        hosts.clear();
        for (const QHostAddress &host : QNetworkInterface::allAddresses()) {
            if (host.protocol() == QAbstractSocket::IPv4Protocol && !host.isLoopback())
                hosts << host;
        }
    }
    QStringList urls;
    for (const QHostAddress &host : hosts)
        urls << QStringLiteral("http://%1:%2/")
                    .arg(host.protocol() == QAbstractSocket::IPv6Protocol
                             ? u"[%1]"_qs.arg(host.toString())
                             : host.toString())
                    .arg(m_port);
    return urls;
}

} // namespace zentrel
