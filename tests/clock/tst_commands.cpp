#include "recordingoutlets.h"

#include "clock/phasetable.h"

#include <QTest>

using Boxes = std::array<QString, 8>;
Q_DECLARE_METATYPE(Boxes)

class CommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startAcceptance_data();
    void startAcceptance();
    void refusedStartChangesNothing();
    void commandSequences_data();
    void commandSequences();
    void skips_data();
    void skips();
    void skipToNextTwiceHoldsTheCount();
    void trims_data();
    void trims();
};

static Boxes withMoving(const QString &minutes, const QString &seconds = QStringLiteral("0"))
{
    return { minutes, seconds, "1", "0", "5", "0", "1", "0" };
}

void CommandsTest::startAcceptance_data()
{
    QTest::addColumn<Boxes>("boxes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("movingMinutes"); // as stored
    QTest::addColumn<int>("movingSeconds");

    QTest::newRow("defaults") << withMoving("1") << true << 1 << 0;
    QTest::newRow("all 60") << Boxes { "60", "60", "60", "60", "60", "60", "60", "60" } << true
                            << 60 << 60;
    QTest::newRow("0 and 60 are bounds") << withMoving("0", "60") << true << 0 << 60;
    QTest::newRow("60.5 above") << withMoving("60.5") << false << 0 << 0;
    QTest::newRow("-1 below") << withMoving("1", "-1") << false << 0 << 0;
    QTest::newRow("-0 is zero") << withMoving("-0", "30") << true << 0 << 30;
    QTest::newRow("1.5 rounds to 2") << withMoving("1.5") << true << 2 << 0;
    QTest::newRow("2.5 rounds to 2") << withMoving("2.5") << true << 2 << 0;
    QTest::newRow("59.5 rounds to 60") << withMoving("1", "59.5") << true << 1 << 60;
    QTest::newRow("blanks around") << withMoving(" 3 ", "\t4") << true << 3 << 4;
    QTest::newRow("full-width digits") << withMoving("１２", "３０") << true << 12 << 30;
    QTest::newRow("ideographic space, full-width point")
        << withMoving("　２．５　") << true << 2 << 0;
    QTest::newRow("empty box") << withMoving("") << false << 0 << 0;
    QTest::newRow("letters") << withMoving("1", "abc") << false << 0 << 0;
    QTest::newRow("exponent") << withMoving("1e1") << false << 0 << 0;
    QTest::newRow("sign alone") << withMoving("-") << false << 0 << 0;
    QTest::newRow("two bad boxes")
        << Boxes { "99", "0", "x", "0", "5", "0", "1", "0" } << false << 0 << 0;
    QTest::newRow("eight zeros") << Boxes { "0", "0", "0", "0", "0", "0", "0", "0" } << false << 0
                                 << 0;
    QTest::newRow("zeros after rounding")
        << Boxes { "0.4", "0", "0", "0", "0", "0", "0", "0.5" } << false << 0 << 0;
}

void CommandsTest::startAcceptance()
{
    QFETCH(Boxes, boxes);
    QFETCH(bool, accepted);
    QFETCH(int, movingMinutes);
    QFETCH(int, movingSeconds);

    ClockRig rig;
    const StartOutcome outcome = rig.clock.start(boxes);
    QCOMPARE(outcome == StartOutcome::Started, accepted);
    if (accepted) {
        QCOMPARE(rig.clock.state().PhaseDurations[0], movingMinutes);
        QCOMPARE(rig.clock.state().PhaseDurations[1], movingSeconds);
        QCOMPARE(rig.clock.state().RemainingMinutes, movingMinutes);
        QCOMPARE(rig.clock.state().RemainingSeconds, movingSeconds);
    }
}

void CommandsTest::refusedStartChangesNothing()
{
    ClockRig rig;
    ClockState &s = rig.clock.state();
    s.PhaseDurations = { 7, 7, 7, 7, 7, 7, 7, 7 };
    const ClockState before = s;
    QCOMPARE(rig.clock.start(withMoving("61")), StartOutcome::Refused);
    QCOMPARE(rig.log, QStringList());
    QCOMPARE(s.PhaseDurations, before.PhaseDurations);
    QCOMPARE(s.Phase, 0);
    QCOMPARE(rig.clock.operatingState(), OperatingState::Idle);
}

// Each command's calls on the timer, the cue players and the display, in order.
void CommandsTest::commandSequences_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("START") << "start" << QStringList { "state Running",
                                                       "Label1 移動中です",
                                                       "Label2 00ffff00",
                                                       "SilenceCuePlayers",
                                                       "SetPhaseCueFile yomu.wav",
                                                       "timer start" };
    QTest::newRow("pause") << "pause"
                           << QStringList { "timer stop", "state Paused",
                                            "Label1 移動中です  (一時停止)", "Label2 00ffff00" };
    QTest::newRow("resume") << "resume"
                            << QStringList { "state Running", "Label1 移動中です",
                                             "Label2 00ffff00", "timer start" };
    QTest::newRow("RESET") << "reset"
                           << QStringList { "timer stop",       "Label1 リセットされました",
                                            "Label2 8000000f",  "Label3 0",
                                            "Label5 0",         "state Idle",
                                            "SilenceCuePlayers" };
    QTest::newRow("5sec >>") << "skip5" << QStringList { "timer stop", "timer start" };
    QTest::newRow("Skip to NEXT") << "skipNext" << QStringList { "timer stop", "timer start" };
    QTest::newRow("trim while running")
        << "trimRunning"
        << QStringList { "timer stop", "interval 1009", "Label15 1009", "timer start" };
    QTest::newRow("trim while paused")
        << "trimPaused" << QStringList { "interval 989", "Label15 989" };
    QTest::newRow("start-up") << "startUp"
                              << QStringList { "timer stop",      "state Idle",
                                               "interval 999",    "Label15 999",
                                               "InitCuePlayers",  "Label1 リセットされました",
                                               "Label2 8000000f", "Label1 reminder",
                                               "Label3 0",        "Label5 0" };
}

void CommandsTest::commandSequences()
{
    QFETCH(QString, command);
    QFETCH(QStringList, expected);

    ClockRig rig;
    auto startThen = [&](bool paused) {
        rig.clock.start(withMoving("1"));
        if (paused)
            rig.clock.pause();
        rig.log.clear();
    };
    if (command == "start") {
        rig.clock.start(withMoving("1"));
    } else if (command == "pause") {
        startThen(false);
        rig.clock.pause();
    } else if (command == "resume") {
        startThen(true);
        rig.clock.resume();
    } else if (command == "reset") {
        startThen(true);
        rig.clock.reset();
    } else if (command == "skip5") {
        startThen(false);
        rig.clock.skipFiveSeconds();
    } else if (command == "skipNext") {
        startThen(false);
        rig.clock.skipToNext();
    } else if (command == "trimRunning") {
        startThen(false);
        rig.clock.trimInterval(+10);
    } else if (command == "trimPaused") {
        startThen(true);
        rig.clock.trimInterval(-10);
    } else if (command == "startUp") {
        rig.clock.stopForStartUp();
        rig.clock.ApplyTickInterval();
        rig.clock.finishStartUp(QStringLiteral("reminder"));
    }
    QCOMPARE(rig.log, expected);
}

// The count shown before a skip, the skip, and what the next tick shows and plays.
void CommandsTest::skips_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("skip");
    QTest::addColumn<QString>("nextShown");
    QTest::addColumn<int>("nextPhase");
    QTest::addColumn<QString>("cue"); // "" for none

    QTest::newRow("3:04, 5sec borrows a minute") << 3 << 4 << "5sec"
                                                 << "2:59" << 1 << "";
    QTest::newRow("3:00, 5sec changes nothing") << 3 << 0 << "5sec"
                                                << "2:59" << 1 << "";
    QTest::newRow("2:20, 5sec") << 2 << 20 << "5sec"
                                << "2:14" << 1 << "";
    QTest::newRow("0:03, 5sec ends the phase") << 0 << 3 << "5sec"
                                               << "0:59" << 2 << "";
    QTest::newRow("0:35, 5sec skips the warning") << 0 << 35 << "5sec"
                                                  << "0:29" << 1 << "";
    QTest::newRow("0:36, 5sec lands on the warning") << 0 << 36 << "5sec"
                                                     << "0:30" << 1 << "PlayWarningCue";
    QTest::newRow("0:15, 5sec skips the announcement") << 0 << 15 << "5sec"
                                                       << "0:9" << 1 << "";
    QTest::newRow("0:16, 5sec lands on the announcement") << 0 << 16 << "5sec"
                                                          << "0:10" << 1 << "PlayPhaseCue yomu.wav";
    QTest::newRow("4:45, NEXT jumps to 0:10") << 4 << 45 << "next"
                                              << "0:10" << 1 << "PlayPhaseCue yomu.wav";
    QTest::newRow("0:05, NEXT announces again") << 0 << 5 << "next"
                                                << "0:10" << 1 << "PlayPhaseCue yomu.wav";
}

void CommandsTest::skips()
{
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(QString, skip);
    QFETCH(QString, nextShown);
    QFETCH(int, nextPhase);
    QFETCH(QString, cue);

    ClockRig rig;
    rig.startWith({ 5, 0, 1, 0, 1, 0, 1, 0 });
    rig.clock.state().RemainingMinutes = static_cast<std::int16_t>(minutes);
    rig.clock.state().RemainingSeconds = static_cast<std::int16_t>(seconds);
    if (skip == "5sec")
        rig.clock.skipFiveSeconds();
    else
        rig.clock.skipToNext();
    QCOMPARE(rig.log, QStringList({ "timer stop", "timer start" })); // nothing shown at the command

    const QStringList lines = rig.tick();
    QCOMPARE(rig.shown(), nextShown);
    QCOMPARE(rig.clock.state().Phase, nextPhase);
    const QStringList cues = lines.filter(QStringLiteral("Play"));
    QCOMPARE(cues, cue.isEmpty() ? QStringList() : QStringList { cue });
}

void CommandsTest::skipToNextTwiceHoldsTheCount()
{
    ClockRig rig;
    rig.startWith({ 5, 0, 1, 0, 1, 0, 1, 0 });
    rig.clock.skipToNext();
    rig.clock.skipToNext();
    rig.tick(11);
    QCOMPARE(rig.shown(), QStringLiteral("0:0"));
    QCOMPARE(rig.clock.state().Phase, 1);
    rig.tick(); // the twelfth tick after the command enters the next phase
    QCOMPARE(rig.clock.state().Phase, 2);
}

void CommandsTest::trims_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("after");

    QTest::newRow("999 +") << 999 << 1 << 1000;
    QTest::newRow("999 --") << 999 << -10 << 989;
    QTest::newRow("105 -- stops at the floor") << 105 << -10 << 100;
    QTest::newRow("100 -") << 100 << -1 << 100;
    QTest::newRow("50 from the file, - lifts") << 50 << -1 << 100;
    QTest::newRow("50 from the file, + keeps") << 50 << 1 << 51;
    QTest::newRow("-5 from the file, --") << -5 << -10 << 100;
    QTest::newRow("32760 ++ stops at the ceiling") << 32760 << 10 << 32767;
    QTest::newRow("32767 +") << 32767 << 1 << 32767;
}

void CommandsTest::trims()
{
    QFETCH(int, before);
    QFETCH(int, step);
    QFETCH(int, after);

    ClockRig rig;
    rig.clock.state().TickIntervalMs = static_cast<std::int16_t>(before);
    rig.clock.trimInterval(step);
    QCOMPARE(rig.clock.state().TickIntervalMs, after);
    QCOMPARE(rig.ticks.m_interval, after);
    QCOMPARE(rig.display.m_interval, QString::number(after));
    QVERIFY(!rig.ticks.m_running); // an idle clock stays stopped
}

QTEST_GUILESS_MAIN(CommandsTest)
#include "tst_commands.moc"
