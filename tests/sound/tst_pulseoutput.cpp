#include "pulseserver.h"
#include "sound/cueplayer.h"
#include "sound/pulseoutput.h"

#include <QSignalSpy>
#include <QTest>

using namespace zentrel;

// The output through a real PulseAudio server of the test's own, while the server and its
// outputs come and go as they do in an exam room; after each change a cue must be heard.
class PulseOutputTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!PulseServer::installed())
            QSKIP("pulseaudio is not installed");
    }

    void cueHeardThroughDisruptions()
    {
        PulseServer server;
        server.useHere();
        CuePlayer player(QStringList {});
        PulseOutput output(player);
        QSignalSpy changes(&output, &PulseOutput::soundReachableChanged);
        // No server when the program started: the first verdict says so; the server comes later.
        QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 1, 5000);
        QVERIFY(server.start());
        heardOn(player, output, "first");
        // A projector switched on becomes the default.
        QVERIFY(server.addSink("second") && server.setDefaultSink("second"));
        heardOn(player, output, "second");
        // The only output unplugged, then another plugged in.
        QVERIFY(server.removeAllSinks());
        QTRY_VERIFY_WITH_TIMEOUT(!output.soundReachable(), 10000);
        QVERIFY(server.addSink("third") && server.setDefaultSink("third"));
        heardOn(player, output, "third");
        // The server crashed and came back.
        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!output.soundReachable(), 10000);
        QVERIFY(server.start());
        heardOn(player, output, "first");

        QList<bool> seen;
        for (const QList<QVariant> &change : changes)
            seen << change.value(0).toBool();
        QCOMPARE(seen, (QList<bool> { false, true, false, true, false, true }));
    }

private:
    static void heardOn(CuePlayer &player, PulseOutput &output, const QString &sink)
    {
        QTRY_VERIFY_WITH_TIMEOUT(output.soundReachable(), 10000);
        MonitorRecorder room;
        QVERIFY(room.start(sink));
        QTRY_VERIFY_WITH_TIMEOUT(room.bytesHeard() > 0, 10000); // listening before the cue
        room.arm();
        PcmClip tone { { 48000, 2 }, {} };
        for (int i = 0; i < 48000 * 2 * 3 / 10; ++i)
            tone.samples.push_back(std::int16_t((i / 2 / 50) % 2 ? 8000 : -8000));
        player.play(CueVoice::Announcement, std::make_shared<const PcmClip>(std::move(tone)));
        QTRY_VERIFY2_WITH_TIMEOUT(room.firstSoundNs() >= 0, qPrintable(sink), 10000);
    }
};

QTEST_MAIN(PulseOutputTest)
#include "tst_pulseoutput.moc"
