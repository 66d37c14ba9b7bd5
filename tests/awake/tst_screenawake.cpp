#include "awake/quitonsignal.h"
#include "awake/screenawake.h"

#include <QDBusObjectPath>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

Q_DECLARE_METATYPE(AwakeMethod)

namespace {
enum Service { ScreenSaver = 1, ScreenSaverAtShortPath = 2, Portal = 4 };
enum class Ending { Release, ReleaseBeforeAnswer, Destroy };

} // namespace
Q_DECLARE_METATYPE(Ending)
namespace {

const QString RequestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t1");

struct CallLog
{
    QStringList calls;
    int held = 0;
};

class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(CallLog &log)
        : m_log(log)
    { }
public Q_SLOTS:
    uint Inhibit(const QString &, const QString &)
    {
        m_log.calls << QStringLiteral("Inhibit");
        ++m_log.held;
        return 40 + uint(m_log.calls.size());
    }
    void UnInhibit(uint cookie)
    {
        m_log.calls << QStringLiteral("UnInhibit %1").arg(cookie);
        --m_log.held;
    }

private:
    CallLog &m_log;
};

class FakePortalInhibit : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    explicit FakePortalInhibit(CallLog &log)
        : m_log(log)
    { }
public Q_SLOTS:
    QDBusObjectPath Inhibit(const QString &, uint flags, const QVariantMap &)
    {
        m_log.calls << QStringLiteral("portal Inhibit %1").arg(flags);
        ++m_log.held;
        return QDBusObjectPath(RequestPath);
    }

private:
    CallLog &m_log;
};

class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    explicit FakePortalRequest(CallLog &log)
        : m_log(log)
    { }
public Q_SLOTS:
    void Close()
    {
        m_log.calls << QStringLiteral("portal Close");
        --m_log.held;
    }

private:
    CallLog &m_log;
};

// A desktop on the test's own bus, on a connection of its own: records every call.
struct FakeDesktop : CallLog
{
    FakeDesktop(const QString &address, int services)
        : bus(QDBusConnection::connectToBus(address, QStringLiteral("desktop")))
    {
        if (services & ScreenSaver)
            bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver,
                               QDBusConnection::ExportAllSlots);
        if (services & ScreenSaverAtShortPath)
            bus.registerObject(QStringLiteral("/ScreenSaver"), &screenSaver,
                               QDBusConnection::ExportAllSlots);
        if (services & (ScreenSaver | ScreenSaverAtShortPath))
            bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
        if (services & Portal) {
            bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &inhibit,
                               QDBusConnection::ExportAllSlots);
            bus.registerObject(RequestPath, &request, QDBusConnection::ExportAllSlots);
            bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
        }
    }
    ~FakeDesktop() { QDBusConnection::disconnectFromBus(bus.name()); }

    QDBusConnection bus;
    FakeScreenSaver screenSaver { *this };
    FakePortalInhibit inhibit { *this };
    FakePortalRequest request { *this };
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
    QTimer::singleShot(10000, this, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_GUILESS_MAIN(ScreenAwakeTest)
#include "tst_screenawake.moc"
