#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>

inline const QString PortalPath = u"/org/freedesktop/portal/desktop"_qs;
inline const QString ScreenSaverPath = u"/org/freedesktop/ScreenSaver"_qs;

// A desktop on a session bus connection of its own: owns the services of the objects it serves
// and records each call as "interface.member uint-arguments", less "org.freedesktop.".
class FakeDesktop : public QDBusVirtualObject
{
public:
    explicit FakeDesktop(const QStringList &paths)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"desktop"_qs))
        , m_paths(paths)
    {
        m_bus.registerVirtualObject(u"/"_qs, this, QDBusConnection::SubPath);
        for (const QString &path : paths)
            m_bus.registerService(path == PortalPath ? u"org.freedesktop.portal.Desktop"_qs
                                                     : u"org.freedesktop.ScreenSaver"_qs);
    }
    ~FakeDesktop() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const bool portal = call.path().startsWith(PortalPath); // the request handles below it
        if (!m_paths.contains(portal ? PortalPath : call.path()))
            return false;
        QString record = call.interface().remove(u"org.freedesktop."_qs) + u'.' + call.member();
        for (const QVariant &arg : call.arguments())
            if (arg.metaType() == QMetaType::fromType<uint>())
                record += u' ' + arg.toString(); // the portal's flags, the cookie
        QDBusMessage reply = call.createReply();
        if (call.member() == u"Inhibit" && portal)
            reply << QVariant::fromValue(QDBusObjectPath(PortalPath + u"/request/1"_qs));
        else if (call.member() == u"Inhibit")
            reply << uint(41 + calls.size());
        calls << record;
        bus.send(reply);
        return true;
    }

    QStringList calls;

private:
    QDBusConnection m_bus;
    const QStringList m_paths;
};
