#include "recordingoutlets.h"

#include "sound/cueplayer.h"
#include "sound/cueplayers.h"

#include <QRandomGenerator>
#include <QTest>

// An 8-hour exam day at one tick a second, driven directly, with every command mixed in
// at random: the clock must never show an impossible count, never leave the three
// operating states, and never grow.
class SoakTest : public QObject
{
    Q_OBJECT

    struct SilentSound : CueBackend
    {
        bool load(const QString &) override { return true; }
        void play() override { m_playing = true; }
        void stop() override { m_playing = false; }
        void unload() override { m_playing = false; }
        bool isPlaying() const override { return m_playing; }
        bool m_playing = false;
    };

private Q_SLOTS:
    void examDay()
    {
        QStringList log;
        FakeTickSource ticks(log);
        RecordingDisplay display(log);
        SilentSound phaseSound, warningSound;
        CuePlayer mm1(phaseSound), mm2(warningSound);
        CuePlayers players(mm1, mm2);
        ExamClock clock(ticks, players, display);
        players.InitCuePlayers();

        QRandomGenerator random(8 * 3600);
        const std::array<QString, 8> lengths { "1", "0", "0", "45", "5", "0", "0", "0" };
        QVERIFY(clock.start(lengths) == StartOutcome::Started);
        int phaseChanges = 0, cues = 0;

        for (int tick = 0; tick < 288000; ++tick) {
            const std::uint8_t phaseBefore = clock.state().Phase;
            if (ticks.m_running)
                clock.tick();
            phaseChanges += clock.state().Phase != phaseBefore;

            // A command every few seconds, on average.
            switch (random.bounded(40)) {
            case 0:
                if (clock.operatingState() == OperatingState::Running)
                    clock.pause();
                break;
            case 1:
                if (clock.operatingState() == OperatingState::Paused)
                    clock.resume();
                break;
            case 2:
                if (clock.operatingState() == OperatingState::Paused && random.bounded(4) == 0)
                    clock.reset();
                break;
            case 3:
                if (clock.operatingState() == OperatingState::Idle)
                    clock.start(lengths);
                break;
            case 4:
                clock.mouseReleased(Control::Command5, { LeftButton, ShiftBit | CtrlBit });
                break;
            case 5:
                if (random.bounded(8) == 0)
                    clock.mouseReleased(Control::Command10, { LeftButton, ShiftBit });
                break;
            case 6:
                clock.mouseReleased(Control(int(Control::Command6) + random.bounded(4)),
                                    { LeftButton, ShiftBit | CtrlBit });
                break;
            case 7: // gestures that must do nothing
                clock.mouseReleased(Control::Command4, { RightButton, ShiftBit });
                clock.mouseReleased(Control::Command5, { LeftButton, ShiftBit });
                break;
            default:
                break;
            }

            const ClockState &s = clock.state();
            const bool running = ticks.m_running;
            QVERIFY(s.Phase <= 4);
            QVERIFY(s.RemainingMinutes >= 0 && s.RemainingMinutes <= 60);
            QVERIFY(s.RemainingSeconds >= 0 && s.RemainingSeconds <= 60);
            QVERIFY(s.TickIntervalMs >= 100);
            const int shownSeconds = display.m_seconds.toInt();
            QVERIFY(shownSeconds >= 0 && shownSeconds <= 59);
            QCOMPARE(display.m_state, clock.operatingState());
            QCOMPARE(running, clock.operatingState() == OperatingState::Running);
            if (clock.operatingState() == OperatingState::Idle)
                QVERIFY(mm1.state() == CuePlayerState::Closed
                        && mm2.state() == CuePlayerState::Closed);

            cues += mm1.state() == CuePlayerState::OpenPlaying
                || mm2.state() == CuePlayerState::OpenPlaying;
            log.clear(); // the fakes' log is the only thing here that grows
        }
        QVERIFY(phaseChanges > 1000);
        QVERIFY(cues > 1000);
    }
};

QTEST_GUILESS_MAIN(SoakTest)
#include "tst_soak.moc"
