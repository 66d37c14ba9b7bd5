#include "awake/screenawake.h"

#include "awake/x11screenhold.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>
#include <array>

namespace zentrel {

namespace {
struct BusWay
{
    AwakeMethod method;
    const char *service;
    const char *path;
    const char *interface;
};

// In the order they are tried. Older desktops serve the ScreenSaver object at /ScreenSaver.
constexpr std::array<BusWay, 3> BusWays { {
    { AwakeMethod::Portal, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
      "org.freedesktop.portal.Inhibit" },
    { AwakeMethod::ScreenSaver, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
      "org.freedesktop.ScreenSaver" },
    { AwakeMethod::ScreenSaver, "org.freedesktop.ScreenSaver", "/ScreenSaver",
      "org.freedesktop.ScreenSaver" },
} };

constexpr uint PortalInhibitIdle = 8;
constexpr int AskTimeoutMs = 10000; // a portal may be started on demand

const QString Reason = QStringLiteral("試験の計時中");

QDBusMessage inhibitCall(const BusWay &way)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(QLatin1String(way.service), QLatin1String(way.path),
                                         QLatin1String(way.interface), QStringLiteral("Inhibit"));
    if (way.method == AwakeMethod::Portal)
        call << QString() << PortalInhibitIdle
             << QVariantMap { { QStringLiteral("reason"), Reason } };
    else
        call << QStringLiteral("Zentrel Timer") << Reason;
    return call;
}

bool isInhibition(const BusWay &way, const QDBusMessage &answer)
{
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().size() != 1)
        return false;
    const QVariant value = answer.arguments().first();
    return way.method == AwakeMethod::Portal ? value.canConvert<QDBusObjectPath>()
                                             : value.metaType() == QMetaType::fromType<uint>();
}

// Ends what `answer` holds; nobody waits for the reply.
void sendRelease(QDBusConnection &bus, const BusWay &way, const QDBusMessage &answer)
{
    const QVariant value = answer.arguments().first();
    if (way.method == AwakeMethod::Portal) {
        bus.send(QDBusMessage::createMethodCall(
            QLatin1String(way.service), value.value<QDBusObjectPath>().path(),
            QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
    } else {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QLatin1String(way.service), QLatin1String(way.path), QLatin1String(way.interface),
            QStringLiteral("UnInhibit"));
        bus.send(call << value.toUInt());
    }
}
} // namespace

ScreenAwake::ScreenAwake(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{ }

ScreenAwake::~ScreenAwake()
{
    release();
    if (m_asking) {
        // Nobody is left to hold what is still being asked for: end it when it comes.
        QDBusPendingCallWatcher *call = m_asking;
        call->setParent(nullptr);
        disconnect(call, nullptr, this, nullptr);
        connect(call, &QDBusPendingCallWatcher::finished, call,
                [bus = m_bus, way = m_way](QDBusPendingCallWatcher *finished) mutable {
                    if (isInhibition(BusWays[way], finished->reply()))
                        sendRelease(bus, BusWays[way], finished->reply());
                    finished->deleteLater();
                });
    }
}

void ScreenAwake::hold()
{
    if (m_wanted)
        return;
    m_wanted = true;
    if (m_asking || m_method != AwakeMethod::None)
        return; // an answer on its way is kept
    ask(0);
}

void ScreenAwake::release()
{
    if (!m_wanted)
        return;
    m_wanted = false;
    if (!m_asking)
        drop(); // else the answer is undone when it comes
}

void ScreenAwake::ask(std::size_t way)
{
    if (way < BusWays.size() && m_bus.isConnected()) {
        m_way = way;
        m_asking = new QDBusPendingCallWatcher(
            m_bus.asyncCall(inhibitCall(BusWays[way]), AskTimeoutMs), this);
        connect(m_asking, &QDBusPendingCallWatcher::finished, this,
                [this, way](QDBusPendingCallWatcher *call) { answered(way, call); });
        return;
    }
    m_x11 = X11ScreenHold::start();
    if (m_x11)
        m_method = AwakeMethod::X11;
}

void ScreenAwake::answered(std::size_t way, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    m_asking = nullptr;
    const QDBusMessage answer = call->reply();
    if (!isInhibition(BusWays[way], answer)) {
        if (m_wanted)
            ask(way + 1);
        return;
    }
    m_answer = answer;
    m_method = BusWays[way].method;
    if (!m_wanted)
        drop(); // released while it was asked for
}

void ScreenAwake::drop()
{
    if (m_method == AwakeMethod::Portal || m_method == AwakeMethod::ScreenSaver)
        sendRelease(m_bus, BusWays[m_way], m_answer);
    m_x11.reset();
    m_method = AwakeMethod::None;
    m_answer = {};
}

} // namespace zentrel
