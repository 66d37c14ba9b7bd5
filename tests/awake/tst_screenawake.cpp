#include "awake/quitonsignal.h"
#include "awake/screenawake.h"
#include "programrig.h"

#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

enum Service { ScreenSaver = 1, ScreenSaverAtShortPath = 2, Portal = 4 };
enum class Ending { Release, ReleaseBeforeAnswer, Destroy };

namespace {
// A desktop on the test's own bus, on a connection of its own: answers the services it
// has and records every call they get.
class FakeDesktop : public QDBusVirtualObject
{
public:
    FakeDesktop(const QString &address, int services)
        : m_bus(QDBusConnection::connectToBus(address, u"desktop"_qs))
        , m_services(services)
    {
        m_bus.registerVirtualObject(u"/"_qs, this, QDBusConnection::SubPath);
        if (services & (ScreenSaver | ScreenSaverAtShortPath))
            m_bus.registerService(u"org.freedesktop.ScreenSaver"_qs);
        if (services & Portal)
            m_bus.registerService(u"org.freedesktop.portal.Desktop"_qs);
    }
    ~FakeDesktop() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QString path = call.path();
        const QString member = call.member();
        const QVariantList args = call.arguments();
        const bool screenSaver = call.interface() == u"org.freedesktop.ScreenSaver"
            && ((m_services & ScreenSaver && path == u"/org/freedesktop/ScreenSaver")
                || (m_services & ScreenSaverAtShortPath && path == u"/ScreenSaver"));
        const bool portal = m_services & Portal
            && call.interface()
                == (member == u"Close" ? u"org.freedesktop.portal.Request"
                                       : u"org.freedesktop.portal.Inhibit")
            && path.startsWith(u"/org/freedesktop/portal/desktop");
        if (!screenSaver && !portal)
            return false;
        QDBusMessage reply = call.createReply();
        held += member == u"Inhibit" ? 1 : -1;
        if (portal && member == u"Inhibit") {
            calls << u"portal Inhibit "_qs + args[1].toString(); // the flags
            reply << QVariant::fromValue(QDBusObjectPath(path + u"/request/1"_qs));
        } else if (member == u"Inhibit") {
            reply << uint(41 + calls.size());
            calls << member;
        } else {
            calls << (portal ? u"portal "_qs + member
                             : member + u' ' + args[0].toString()); // the cookie
        }
        bus.send(reply);
        return true;
    }

    QStringList calls;
    int held = 0;

private:
    QDBusConnection m_bus;
    int m_services = 0;
};

struct HoldCase
{
    const char *name;
    int services;
    Ending ending;
    AwakeMethod method;
};
} // namespace
Q_DECLARE_METATYPE(HoldCase)

class ScreenAwakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qunsetenv("DISPLAY"); // no X server to fall back on
        // No service directories, so nothing real is started on demand.
        QFile config(m_dir.filePath(u"bus.conf"_qs));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(
            "<busconfig><type>session</type><listen>unix:dir=" + m_dir.path().toUtf8()
            + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
              "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
              "<allow own=\"*\"/></policy></busconfig>");
        config.close();
        m_daemon.start(
            u"dbus-daemon"_qs,
            { u"--config-file="_qs + config.fileName(), u"--print-address"_qs, u"--nofork"_qs });
        QVERIFY(m_daemon.waitForStarted());
        QTRY_VERIFY(m_daemon.canReadLine());
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        QVERIFY(m_address.startsWith(u"unix:"_qs));
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    // Where the portal is missing the ScreenSaver interface follows, at either path.
    void oneInhibitionHeldThenEnded_data()
    {
        static const HoldCase rows[] = {
            { "portal preferred", Portal | ScreenSaver, Ending::Release, AwakeMethod::Portal },
            { "portal, released before the answer", Portal, Ending::ReleaseBeforeAnswer,
              AwakeMethod::None },
            { "screen saver at /ScreenSaver, destroyed", ScreenSaverAtShortPath, Ending::Destroy,
              AwakeMethod::ScreenSaver },
        };
        QTest::addColumn<HoldCase>("row");
        for (const HoldCase &r : rows)
            QTest::newRow(r.name) << r;
    }

    void oneInhibitionHeldThenEnded()
    {
        QFETCH(HoldCase, row);
        const QStringList calls = row.services & Portal
            ? QStringList { u"portal Inhibit 8"_qs, u"portal Close"_qs }
            : QStringList { u"Inhibit"_qs, u"UnInhibit 41"_qs };
        FakeDesktop desktop(m_address, row.services);
        {
            ScreenAwake awake(QDBusConnection::connectToBus(m_address, u"timer"_qs));
            awake.hold();
            awake.hold(); // while the first is asked for
            QVERIFY(awake.isHeld());
            if (row.ending != Ending::ReleaseBeforeAnswer) {
                QTRY_COMPARE(awake.method(), row.method);
                QCOMPARE(desktop.held, 1);
            }
            if (row.ending != Ending::Destroy) {
                awake.release();
                QVERIFY(!awake.isHeld());
                QTRY_COMPARE(desktop.calls, calls);
                QCOMPARE(awake.method(), AwakeMethod::None);
            }
        }
        QTRY_COMPARE(desktop.calls, calls);
        QCOMPARE(desktop.held, 0);
        QDBusConnection::disconnectFromBus(u"timer"_qs);
    }

    // One inhibition from START, kept through pause and resume, ended by RESET and by the end.
    void programHoldsWhileAPhaseIsOn()
    {
        using zentrel::Control;
        FakeDesktop desktop(m_address, ScreenSaver);
        {
            ProgramRig rig(CompleteSettings,
                           QDBusConnection::connectToBus(m_address, u"program"_qs));
            const auto click = [&](Control c) {
                QTest::mouseClick(rig.button(c), Qt::LeftButton);
            };
            click(Control::Start);
            QTRY_COMPARE(desktop.held, 1);
            click(Control::Pause);
            click(Control::Resume);
            click(Control::Pause);
            QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Qt::ShiftModifier);
            QTRY_COMPARE(desktop.calls, QStringList({ "Inhibit", "UnInhibit 41" }));
            click(Control::Start);
            QTRY_COMPARE(desktop.held, 1);
        }
        QTRY_COMPARE(desktop.held, 0);
        QDBusConnection::disconnectFromBus(u"program"_qs);
    }

    void signalQuitsTheEventLoop_data()
    {
        QTest::addColumn<int>("signal");
        for (int signal : { SIGINT, SIGTERM, SIGHUP })
            QTest::addRow("%s", sigabbrev_np(signal)) << signal;
    }

    void signalQuitsTheEventLoop()
    {
        QFETCH(int, signal);
        QVERIFY(quitOnSignals());
        QTimer::singleShot(0, this, [signal] { std::raise(signal); });
        QTimer unanswered;
        connect(&unanswered, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        unanswered.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

QTEST_MAIN(ScreenAwakeTest)
#include "tst_screenawake.moc"
