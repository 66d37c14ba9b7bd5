#include "awake/quitonsignal.h"
#include "awake/screenawake.h"
#include "programrig.h"

#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <unistd.h>

using namespace zentrel;

enum class Ending { Destroy, ReleaseBeforeAnswer };
Q_DECLARE_METATYPE(Ending)

namespace {
const QString PortalPath = u"/org/freedesktop/portal/desktop"_qs;
const QString ScreenSaverPath = u"/org/freedesktop/ScreenSaver"_qs;
constexpr auto Session = QDBusConnection::SessionBus; // the bus the test is run on

// A desktop on a session bus connection of its own: owns the services of the objects it serves
// and records each call as "interface.member uint-arguments", less "org.freedesktop.".
class FakeDesktop : public QDBusVirtualObject
{
public:
    explicit FakeDesktop(const QStringList &paths)
        : m_bus(QDBusConnection::connectToBus(Session, u"desktop"_qs))
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
} // namespace

class ScreenAwakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qunsetenv("DISPLAY"); // no X server to fall back on
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    // Where the portal is missing the ScreenSaver interface follows, at either path.
    void oneInhibitionHeldThenEnded_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<Ending>("ending");
        QTest::newRow("portal preferred")
            << QStringList { PortalPath, ScreenSaverPath } << Ending::Destroy;
        QTest::newRow("screen saver at /ScreenSaver")
            << QStringList { u"/ScreenSaver"_qs } << Ending::Destroy;
        QTest::newRow("released before the answer")
            << QStringList { PortalPath } << Ending::ReleaseBeforeAnswer;
    }

    void oneInhibitionHeldThenEnded()
    {
        QFETCH(QStringList, paths);
        QFETCH(Ending, ending);
        const bool portal = paths.contains(PortalPath);
        const QStringList calls = portal
            ? QStringList { u"portal.Inhibit.Inhibit 8"_qs, u"portal.Request.Close"_qs }
            : QStringList { u"ScreenSaver.Inhibit"_qs, u"ScreenSaver.UnInhibit 41"_qs };
        FakeDesktop desktop(paths);
        {
            ScreenAwake awake(QDBusConnection::connectToBus(Session, u"timer"_qs));
            awake.hold();
            QVERIFY(awake.isHeld());
            if (ending == Ending::ReleaseBeforeAnswer) {
                awake.release();
                awake.hold(); // the answer on its way is kept: asked once
                awake.release();
                QTRY_COMPARE(desktop.calls, calls);
            } else {
                QTRY_COMPARE(awake.method(),
                             portal ? AwakeMethod::Portal : AwakeMethod::ScreenSaver);
            }
        }
        QTRY_COMPARE(desktop.calls, calls);
    }

    // One inhibition from START, kept through pause and resume, ended by RESET and by the end.
    void programHoldsWhileAPhaseIsOn()
    {
        using zentrel::Control;
        FakeDesktop desktop({ ScreenSaverPath });
        {
            ProgramRig rig(CompleteSettings, QDBusConnection::connectToBus(Session, u"program"_qs));
            QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
            QTRY_COMPARE(desktop.calls, QStringList { u"ScreenSaver.Inhibit"_qs });
            QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
            QTest::mouseClick(rig.button(Control::Resume), Qt::LeftButton);
            QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
            // A call after the clicks on the same connection arrives after anything they sent.
            QDBusConnection(u"program"_qs)
                .send(QDBusMessage::createMethodCall(
                    u"org.freedesktop.ScreenSaver"_qs, ScreenSaverPath,
                    u"org.freedesktop.ScreenSaver"_qs, u"GetActive"_qs));
            QTRY_COMPARE(desktop.calls,
                         QStringList({ "ScreenSaver.Inhibit", "ScreenSaver.GetActive" }));
            QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Qt::ShiftModifier);
            QTRY_COMPARE(desktop.calls.size(), 3);
            QCOMPARE(desktop.calls.last(), u"ScreenSaver.UnInhibit 41"_qs);
            QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
            QTRY_COMPARE(desktop.calls.size(), 4);
        }
        QTRY_COMPARE(desktop.calls.size(), 5);
        QCOMPARE(desktop.calls.last(), u"ScreenSaver.UnInhibit 44"_qs);
    }

    // A signal ends the event loop and is remembered. Only one here: a second would end this
    // test program at once. Each signal, a second one and the watchdog are signals_end's, on
    // the real program.
    void signalQuitsTheEventLoop()
    {
        QVERIFY(quitOnSignals());
        QVERIFY(!endRequested());
        QTimer unanswered;
        unanswered.callOnTimeout(this, [] { QCoreApplication::exit(1); });
        QTimer::singleShot(0, this, [] { std::raise(SIGTERM); });
        unanswered.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(endRequested());
        ::alarm(0); // the watchdog would end this test program two seconds on
    }
};

QTEST_MAIN(ScreenAwakeTest)
#include "tst_screenawake.moc"
