#include "awake/quitonsignal.h"
#include "awake/screenawake.h"
#include "programrig.h"

#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>

enum Service { ScreenSaver = 1, ScreenSaverAtShortPath = 2, Portal = 4 };
enum class Ending { Destroy, ReleaseBeforeAnswer };
Q_DECLARE_METATYPE(Ending)

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
        const bool screenSaver = m_services & (ScreenSaver | ScreenSaverAtShortPath)
            && call.interface() == u"org.freedesktop.ScreenSaver"
            && path
                == (m_services & ScreenSaver ? u"/org/freedesktop/ScreenSaver" : u"/ScreenSaver");
        const bool portal = m_services & Portal
            && call.interface()
                == (member == u"Close" ? u"org.freedesktop.portal.Request"
                                       : u"org.freedesktop.portal.Inhibit")
            && path.startsWith(u"/org/freedesktop/portal/desktop");
        if (!screenSaver && !portal)
            return false;
        QString record = (portal ? u"portal "_qs : QString()) + member;
        for (const QVariant &arg : call.arguments())
            if (arg.metaType() == QMetaType::fromType<uint>())
                record += u' ' + arg.toString(); // the portal's flags, the cookie
        QDBusMessage reply = call.createReply();
        if (member == u"Inhibit" && portal)
            reply << QVariant::fromValue(QDBusObjectPath(path + u"/request/1"_qs));
        else if (member == u"Inhibit")
            reply << uint(41 + calls.size());
        calls << record;
        bus.send(reply);
        return true;
    }

    QStringList calls;

private:
    QDBusConnection m_bus;
    int m_services = 0;
};
} // namespace

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
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    // Where the portal is missing the ScreenSaver interface follows, at either path.
    void oneInhibitionHeldThenEnded_data()
    {
        QTest::addColumn<int>("services");
        QTest::addColumn<Ending>("ending");
        QTest::newRow("portal preferred") << int(Portal | ScreenSaver) << Ending::Destroy;
        QTest::newRow("screen saver at /ScreenSaver")
            << int(ScreenSaverAtShortPath) << Ending::Destroy;
        QTest::newRow("released before the answer") << int(Portal) << Ending::ReleaseBeforeAnswer;
    }

    void oneInhibitionHeldThenEnded()
    {
        QFETCH(int, services);
        QFETCH(Ending, ending);
        const bool portal = services & Portal;
        const QStringList calls = portal
            ? QStringList { u"portal Inhibit 8"_qs, u"portal Close"_qs }
            : QStringList { u"Inhibit"_qs, u"UnInhibit 41"_qs };
        FakeDesktop desktop(m_address, services);
        {
            ScreenAwake awake(QDBusConnection::connectToBus(m_address, u"timer"_qs));
            awake.hold();
            awake.hold(); // while the first is asked for
            QVERIFY(awake.isHeld());
            if (ending == Ending::ReleaseBeforeAnswer) {
                awake.release();
                QTRY_COMPARE(desktop.calls, calls);
            } else {
                QTRY_COMPARE(awake.method(),
                             portal ? AwakeMethod::Portal : AwakeMethod::ScreenSaver);
            }
        }
        QTRY_COMPARE(desktop.calls, calls);
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
            QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
            QTRY_COMPARE(desktop.calls, QStringList { u"Inhibit"_qs });
            QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
            QTest::mouseClick(rig.button(Control::Resume), Qt::LeftButton);
            QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
            QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Qt::ShiftModifier);
            QTRY_COMPARE(desktop.calls, QStringList({ "Inhibit", "UnInhibit 41" }));
            QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
            QTRY_COMPARE(desktop.calls.size(), 3);
        }
        QTRY_COMPARE(desktop.calls,
                     QStringList({ "Inhibit", "UnInhibit 41", "Inhibit", "UnInhibit 43" }));
        QDBusConnection::disconnectFromBus(u"program"_qs);
    }

    void signalsQuitTheEventLoop()
    {
        QVERIFY(quitOnSignals());
        QTimer unanswered;
        unanswered.callOnTimeout(this, [] { QCoreApplication::exit(1); });
        for (int signal : { SIGINT, SIGTERM, SIGHUP }) {
            QTimer::singleShot(0, this, [signal] { std::raise(signal); });
            unanswered.start(10000);
            QVERIFY2(QCoreApplication::exec() == 0, sigabbrev_np(signal));
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

QTEST_MAIN(ScreenAwakeTest)
#include "tst_screenawake.moc"
