#include "pulseserver.h"
#include "sound/pulseoutput.h"

#include <QSignalSpy>
#include <QTest>

// The output through a real PulseAudio server of the test's own, while the server and its
// outputs come and go as they do in an exam room.
enum class Disruption {
    None,
    DefaultSinkChanged, // a projector switched on becomes the default
    SinkReplaced, // the only output unplugged, then another plugged in
    ServerRestarted, // the server crashed and came back
    ServerLate, // no server when the program started
    Cooled, // corked again after keepWarm() ran out
};

using namespace zentrel;

namespace {
std::shared_ptr<const PcmClip> tone()
{
    PcmClip clip { { 48000, 2 }, {} };
    for (int i = 0; i < 48000 * 2 * 3 / 10; ++i)
        clip.samples.push_back(std::int16_t((i / 2 / 50) % 2 ? 8000 : -8000));
    return std::make_shared<const PcmClip>(std::move(clip));
}
} // namespace

class PulseOutputTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!PulseServer::installed())
            QSKIP("pulseaudio is not installed");
    }

    void cueHeardAfter_data()
    {
        QTest::addColumn<Disruption>("disruption");
        QTest::addColumn<QString>("sink"); // where the room hears it in the end
        QTest::addColumn<QList<bool>>("reachableChanges");
        const QList<bool> once { true };
        const QList<bool> lostAndBack { true, false, true };
        QTest::newRow("start") << Disruption::None << QStringLiteral("first") << once;
        QTest::newRow("default changed")
            << Disruption::DefaultSinkChanged << QStringLiteral("second") << once;
        QTest::newRow("sink replaced")
            << Disruption::SinkReplaced << QStringLiteral("second") << lostAndBack;
        QTest::newRow("server restarted")
            << Disruption::ServerRestarted << QStringLiteral("first") << lostAndBack;
        QTest::newRow("server late")
            << Disruption::ServerLate << QStringLiteral("first") << QList<bool> { false, true };
        QTest::newRow("cooled") << Disruption::Cooled << QStringLiteral("first") << once;
    }

    void cueHeardAfter()
    {
        QFETCH(Disruption, disruption);
        QFETCH(QString, sink);
        QFETCH(QList<bool>, reachableChanges);

        PulseServer server;
        server.useHere();
        if (disruption != Disruption::ServerLate)
            QVERIFY(server.start());
        PulseOutput output;
        QSignalSpy changes(&output, &PulseOutput::soundReachableChanged);
        if (disruption == Disruption::ServerLate) {
            // No server: the first verdict says so, and the server comes after it.
            QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 1, 5000);
            QVERIFY(!output.soundReachable());
            QVERIFY(server.start());
        }
        QTRY_VERIFY_WITH_TIMEOUT(output.soundReachable(), 10000);

        switch (disruption) {
        case Disruption::DefaultSinkChanged:
            QVERIFY(server.addSink(sink));
            QVERIFY(server.setDefaultSink(sink));
            break;
        case Disruption::SinkReplaced:
            QVERIFY(server.removeAllSinks());
            QTRY_VERIFY_WITH_TIMEOUT(!output.soundReachable(), 10000);
            QVERIFY(server.addSink(sink));
            QVERIFY(server.setDefaultSink(sink));
            break;
        case Disruption::ServerRestarted:
            server.stop();
            QTRY_VERIFY_WITH_TIMEOUT(!output.soundReachable(), 10000);
            QVERIFY(server.start());
            break;
        case Disruption::Cooled:
            output.keepWarm();
            QTest::qWait(3500); // past the warm time
            break;
        default:
            break;
        }
        QTRY_VERIFY_WITH_TIMEOUT(output.soundReachable(), 10000);

        MonitorRecorder room;
        QVERIFY(room.start(sink));
        QTRY_VERIFY_WITH_TIMEOUT(room.bytesHeard() > 0, 10000);
        room.arm();
        output.mixer().play(0, tone());
        QTRY_VERIFY_WITH_TIMEOUT(room.firstSoundNs() >= 0, 10000);

        QList<bool> seen;
        for (const QList<QVariant> &change : changes)
            seen << change.value(0).toBool();
        QCOMPARE(seen, reachableChanges);
    }
};

QTEST_MAIN(PulseOutputTest)
#include "tst_pulseoutput.moc"
