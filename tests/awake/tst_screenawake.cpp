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

Q_DECLARE_METATYPE(AwakeMethod)

enum Service { ScreenSaver = 1, ScreenSaverAtShortPath = 2, Portal = 4 };
enum class Ending { Release, ReleaseBeforeAnswer, Destroy };
Q_DECLARE_METATYPE(Ending)

namespace {
// A desktop on the test's own bus, on a connection of its own: answers the services it
// has and records every call they get.
class FakeDesktop : public QDBusVirtualObject
{
public:
    FakeDesktop(const QString &address, int services)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("desktop")))
        , m_services(services)
    {
        m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
        if (services & (ScreenSaver | ScreenSaverAtShortPath))
            m_bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
        if (services & Portal)
            m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
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
        QString record = (portal ? u"portal "_qs : QString()) + member;
        QDBusMessage reply = call.createReply();
        if (member == u"Inhibit") {
            ++held;
            if (portal) {
                record += u' ' + args[1].toString(); // the flags
                reply << QVariant::fromValue(QDBusObjectPath(path + u"/request/1"_qs));
            } else {
                reply << uint(41 + calls.size());
            }
        } else {
            --held;
            if (!portal)
                record += u' ' + args[0].toString(); // the cookie
        }
        calls << record;
        bus.send(reply);
        return true;
    }

    QStringList calls;
    int held = 0;

private:
    QDBusConnection m_bus;
    int m_services = 0;
};
} // namespace

class ScreenAwakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void oneInhibitionHeldThenEnded_data();
    void oneInhibitionHeldThenEnded();
    void programHoldsWhileAPhaseIsOn();
    void signalQuitsTheEventLoop_data();
    void signalQuitsTheEventLoop();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

void ScreenAwakeTest::initTestCase()
{
    qunsetenv("DISPLAY"); // no X server to fall back on
    // No service directories, so nothing real is started on demand.
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("<busconfig><type>session</type><listen>unix:dir=" + m_dir.path().toUtf8()
                 + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>");
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   { QStringLiteral("--config-file=") + config.fileName(),
                     QStringLiteral("--print-address"), QStringLiteral("--nofork") });
    QVERIFY(m_daemon.waitForStarted());
    QTRY_VERIFY(m_daemon.canReadLine());
    m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    QVERIFY(m_address.startsWith(QStringLiteral("unix:")));
}

void ScreenAwakeTest::cleanupTestCase()
{
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

void ScreenAwakeTest::oneInhibitionHeldThenEnded_data()
{
    QTest::addColumn<int>("services");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<AwakeMethod>("method");
    QTest::addColumn<QStringList>("calls");

    const QStringList screenSaver { QStringLiteral("Inhibit"), QStringLiteral("UnInhibit 41") };
    const QStringList portal { QStringLiteral("portal Inhibit 8"), QStringLiteral("portal Close") };
    QTest::newRow("screen saver") << int(ScreenSaver) << Ending::Release << AwakeMethod::ScreenSaver
                                  << screenSaver;
    QTest::newRow("screen saver at /ScreenSaver") << int(ScreenSaverAtShortPath) << Ending::Release
                                                  << AwakeMethod::ScreenSaver << screenSaver;
    QTest::newRow("portal") << int(Portal) << Ending::Release << AwakeMethod::Portal << portal;
    QTest::newRow("portal preferred")
        << int(Portal | ScreenSaver) << Ending::Release << AwakeMethod::Portal << portal;
    QTest::newRow("portal, released before the answer")
        << int(Portal) << Ending::ReleaseBeforeAnswer << AwakeMethod::None << portal;
    QTest::newRow("screen saver, destroyed")
        << int(ScreenSaver) << Ending::Destroy << AwakeMethod::ScreenSaver << screenSaver;
    QTest::newRow("portal, destroyed")
        << int(Portal) << Ending::Destroy << AwakeMethod::Portal << portal;
}

void ScreenAwakeTest::oneInhibitionHeldThenEnded()
{
    QFETCH(int, services);
    QFETCH(Ending, ending);
    QFETCH(AwakeMethod, method);
    QFETCH(QStringList, calls);
    FakeDesktop desktop(m_address, services);
    {
        ScreenAwake awake(QDBusConnection::connectToBus(m_address, QStringLiteral("timer")));
        awake.release(); // not held: nothing is sent
        awake.hold();
        awake.hold();
        QVERIFY(awake.isHeld());
        if (ending != Ending::ReleaseBeforeAnswer) {
            QTRY_COMPARE(awake.method(), method);
            QCOMPARE(desktop.held, 1);
        }
        if (ending != Ending::Destroy) {
            awake.release();
            QVERIFY(!awake.isHeld());
            QTRY_COMPARE(desktop.calls, calls);
            QCOMPARE(awake.method(), AwakeMethod::None);
        }
    }
    QTRY_COMPARE(desktop.calls, calls);
    QCOMPARE(desktop.held, 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("timer"));
}

// One inhibition from START, kept through pause and resume, ended by RESET and by the end.
void ScreenAwakeTest::programHoldsWhileAPhaseIsOn()
{
    using zentrel::Control;
    FakeDesktop desktop(m_address, ScreenSaver);
    {
        ProgramRig rig(CompleteSettings,
                       QDBusConnection::connectToBus(m_address, QStringLiteral("program")));
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        QTRY_COMPARE(desktop.held, 1);
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        QTest::mouseClick(rig.button(Control::Resume), Qt::LeftButton);
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Qt::ShiftModifier);
        QTRY_COMPARE(desktop.calls, QStringList({ "Inhibit", "UnInhibit 41" }));
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        QTRY_COMPARE(desktop.held, 1);
    }
    QTRY_COMPARE(desktop.held, 0);
    QCOMPARE(desktop.calls.size(), 4);
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
}

void ScreenAwakeTest::signalQuitsTheEventLoop_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void ScreenAwakeTest::signalQuitsTheEventLoop()
{
    QFETCH(int, signal);
    QVERIFY(quitOnSignals());
    QTimer::singleShot(0, this, [signal] { std::raise(signal); });
    QTimer unanswered;
    connect(&unanswered, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    unanswered.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_MAIN(ScreenAwakeTest)
#include "tst_screenawake.moc"
