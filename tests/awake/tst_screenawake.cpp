#include "awake/screenawake.h"
#include "fakedesktop.h"

#include <QTest>

using namespace zentrel;

enum class Ending { Destroy, ReleaseBeforeAnswer };
Q_DECLARE_METATYPE(Ending)

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
            ScreenAwake awake(
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"timer"_qs));
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
};

QTEST_GUILESS_MAIN(ScreenAwakeTest)
#include "tst_screenawake.moc"
