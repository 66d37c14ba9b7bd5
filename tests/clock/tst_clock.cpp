#include "recorder.h"

#include <QTest>

using namespace zentrel;

using Lengths = std::array<int, 8>;
using Boxes = std::array<QString, 8>;
Q_DECLARE_METATYPE(Lengths)
Q_DECLARE_METATYPE(Boxes)
Q_DECLARE_METATYPE(zentrel::Control)

class ClockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phaseTimeLine_data();
    void phaseTimeLine();
    void phaseChanges_data();
    void phaseChanges();
    void startAcceptance_data();
    void startAcceptance();
    void commandSequences_data();
    void commandSequences();
    void skips_data();
    void skips();
    void trims_data();
    void trims();
    void releases_data();
    void releases();
    void soundPathGetsNoticeOfEachCue();
};

// A phase of m:s followed by Reading 1:00: the first count shown, the ticks the phase lasts,
// and the ticks that play the warning and the announcement (0: none).
void ClockTest::phaseTimeLine_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("firstShown");
    QTest::addColumn<int>("ticksInPhase");
    QTest::addColumn<int>("warningTick");
    QTest::addColumn<int>("announcementTick");

    QTest::newRow("1:00") << 1 << 0 << "0:59" << 60 << 30 << 50;
    QTest::newRow("0:60 counts like 1:00") << 0 << 60 << "0:59" << 60 << 30 << 50;
    QTest::newRow("2:00 borrows minutes") << 2 << 0 << "1:59" << 120 << 90 << 110;
    QTest::newRow("0:31 warns at once") << 0 << 31 << "0:30" << 31 << 1 << 21;
    QTest::newRow("0:30 never warns") << 0 << 30 << "0:29" << 30 << 0 << 20;
    QTest::newRow("0:11 announces at once") << 0 << 11 << "0:10" << 11 << 0 << 1;
    QTest::newRow("0:10 never announces") << 0 << 10 << "0:09" << 10 << 0 << 0;
    QTest::newRow("60:60 is 61 minutes") << 60 << 60 << "60:59" << 3660 << 3630 << 3650;
}

void ClockTest::phaseTimeLine()
{
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(QString, firstShown);
    QFETCH(int, ticksInPhase);
    QFETCH(int, warningTick);
    QFETCH(int, announcementTick);

    ClockRig rig;
    rig.startWith({ minutes, seconds, 1, 0, 1, 0, 1, 0 });
    for (int n = 1; n <= ticksInPhase; ++n) {
        const QStringList lines = rig.tick();
        if (n == 1)
            QCOMPARE(rig.out.shown, firstShown);
        QCOMPARE(rig.clock.state().Phase, 1);
        QVERIFY2(lines.contains(QStringLiteral("play sec30.wav")) == (n == warningTick),
                 qPrintable(QString::number(n)));
        QVERIFY2(lines.contains(QStringLiteral("play yomu.wav")) == (n == announcementTick),
                 qPrintable(QString::number(n)));
    }
    QCOMPARE(rig.out.shown, QStringLiteral("0:00"));
    QCOMPARE(rig.tick(), QStringList({ "file hajime.wav", "status 2", "count 0:59" }));
}

// The tick that leaves a phase: phases of 0:00 are passed over within it, each entered
// phase giving the phase cue player its file.
void ClockTest::phaseChanges_data()
{
    QTest::addColumn<Lengths>("lengths");
    QTest::addColumn<int>("ticksBefore");
    QTest::addColumn<QStringList>("changeTick");
    QTest::addColumn<int>("phaseAfter");

    QTest::newRow("Reading 0:00") << Lengths { 0, 2, 0, 0, 0, 5, 1, 0 } << 2
                                  << QStringList { "file hajime.wav", "status 2", "file kohyo.wav",
                                                   "status 3", "count 0:04" }
                                  << 3;
    QTest::newRow("Moving 0:00 at START")
        << Lengths { 0, 0, 0, 20, 1, 0, 1, 0 } << 0
        << QStringList { "file hajime.wav", "status 2", "count 0:19" } << 2;
    QTest::newRow("Feedback leads back to Moving")
        << Lengths { 0, 1, 0, 1, 0, 1, 0, 1 } << 4
        << QStringList { "file yomu.wav", "status 1", "count 0:00" } << 1;
    QTest::newRow("three phases of 0:00, round to Moving")
        << Lengths { 0, 1, 0, 0, 0, 0, 0, 0 } << 1
        << QStringList { "file hajime.wav", "status 2",      "file kohyo.wav",
                         "status 3",        "file idou.wav", "status 4",
                         "file yomu.wav",   "status 1",      "count 0:00" }
        << 1;
}

void ClockTest::phaseChanges()
{
    QFETCH(Lengths, lengths);
    QFETCH(int, ticksBefore);
    QFETCH(QStringList, changeTick);
    QFETCH(int, phaseAfter);

    ClockRig rig;
    rig.startWith(lengths);
    rig.tick(ticksBefore);
    QCOMPARE(rig.tick(), changeTick);
    QCOMPARE(rig.clock.state().Phase, phaseAfter);
    QVERIFY(rig.out.running);
}

static Boxes withMoving(const char *minutes, const char *seconds = "0")
{
    return { QString::fromUtf8(minutes), QString::fromUtf8(seconds), "1", "0", "5", "0", "1", "0" };
}

void ClockTest::startAcceptance_data()
{
    QTest::addColumn<Boxes>("boxes");
    QTest::addColumn<QString>("stored"); // Moving as stored; empty when refused

    QTest::newRow("all 60") << Boxes { "60", "60", "60", "60", "60", "60", "60", "60" } << "60:60";
    QTest::newRow("0 and 60 are the bounds") << withMoving("0", "60") << "0:60";
    QTest::newRow("60.5 above") << withMoving("60.5") << "";
    QTest::newRow("-1 below") << withMoving("1", "-1") << "";
    QTest::newRow("1.5 rounds up") << withMoving("1.5") << "2:0";
    QTest::newRow("2.5 rounds to even") << withMoving("2.5") << "2:0";
    QTest::newRow("59.5 rounds to 60") << withMoving("1", "59.5") << "1:60";
    QTest::newRow("full-width digits, ideographic space")
        << withMoving("　１２", "３０") << "12:30";
    QTest::newRow("full-width 9 and plus") << withMoving("９", "＋５") << "9:5";
    QTest::newRow("minus sign U+2212") << withMoving("1", "−1") << "";
    QTest::newRow("minus sign U+2212 on zero") << withMoving("1", "−0") << "1:0";
    QTest::newRow("empty box") << withMoving("") << "";
    QTest::newRow("letters") << withMoving("1", "abc") << "";
    QTest::newRow("bad box last") << Boxes { "1", "0", "1", "0", "5", "0", "1", "x" } << "";
    QTest::newRow("eight zeros") << Boxes { "0", "0", "0", "0", "0", "0", "0", "0" } << "";
    QTest::newRow("zeros after rounding")
        << Boxes { "0.4", "0", "0", "0", "0", "0", "0", "0.5" } << "";
}

void ClockTest::startAcceptance()
{
    QFETCH(Boxes, boxes);
    QFETCH(QString, stored);

    ClockRig rig;
    const ClockState before = rig.clock.state();
    const StartOutcome outcome = rig.clock.start(boxes);
    QCOMPARE(outcome == StartOutcome::Started, !stored.isEmpty());
    const ClockState &s = rig.clock.state();
    if (stored.isEmpty()) {
        QCOMPARE(rig.out.log, QStringList()); // a refusal changes nothing
        QVERIFY(s == before);
        return;
    }
    QCOMPARE(QStringLiteral("%1:%2").arg(s.PhaseDurations[0]).arg(s.PhaseDurations[1]), stored);
    QCOMPARE(QStringLiteral("%1:%2").arg(s.RemainingMinutes).arg(s.RemainingSeconds), stored);
}

// Each command's calls on the timer, the players and the display, in order.
void ClockTest::commandSequences_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("start-up") << "startUp"
                              << QStringList { "timer stop",   "idle",         "interval 990",
                                               "shows 990 ms", "init players", "status 0",
                                               "count 0:00" };
    QTest::newRow("START") << "start"
                           << QStringList { "running", "status 1", "silence", "file yomu.wav",
                                            "timer start" };
    QTest::newRow("pause") << "pause" << QStringList { "timer stop", "paused", "status 1 paused" };
    QTest::newRow("resume") << "resume" << QStringList { "running", "status 1", "timer start" };
    QTest::newRow("RESET") << "reset"
                           << QStringList { "timer stop", "status 0", "count 0:00", "idle",
                                            "silence" };
    QTest::newRow("5sec >>") << "skipFive" << QStringList { "timer stop", "timer start" };
    QTest::newRow("Skip to NEXT") << "skipNext" << QStringList { "timer stop", "timer start" };
    QTest::newRow("trim while running")
        << "trimRunning"
        << QStringList { "timer stop", "interval 1009", "shows 1009 ms", "timer start" };
    QTest::newRow("trim while paused")
        << "trimPaused" << QStringList { "interval 989", "shows 989 ms" };
}

void ClockTest::commandSequences()
{
    QFETCH(QString, command);
    QFETCH(QStringList, expected);

    ClockRig rig;
    ExamClock &c = rig.clock;
    if (command != "startUp" && command != "start") {
        rig.startWith({ 1, 0, 1, 0, 1, 0, 1, 0 });
        if (command == "resume" || command == "reset" || command == "trimPaused")
            c.pause();
        rig.out.take();
    }
    const QHash<QString, std::function<void()>> commands {
        { "startUp",
          [&] {
              c.startUp({ 990, {} });
          } },
        { "start",
          [&] {
              c.start(withMoving("1"));
          } },
        { "pause",
          [&] {
              c.pause();
          } },
        { "resume",
          [&] {
              c.resume();
          } },
        { "reset",
          [&] {
              c.reset();
          } },
        { "skipFive",
          [&] {
              c.skipFiveSeconds();
          } },
        { "skipNext",
          [&] {
              c.skipToNext();
          } },
        { "trimRunning",
          [&] {
              c.trimInterval(+10);
          } },
        { "trimPaused",
          [&] {
              c.trimInterval(-10);
          } },
    };
    commands[command]();
    QCOMPARE(rig.out.log, expected);
}

// The count before a skip, and what the next tick shows and plays.
void ClockTest::skips_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("toNext");
    QTest::addColumn<QString>("nextShown");
    QTest::addColumn<int>("nextPhase");
    QTest::addColumn<QString>("cue");

    QTest::newRow("3:04, 5sec") << 3 << 4 << false << "2:59" << 1 << "";
    QTest::newRow("3:00, 5sec changes nothing") << 3 << 0 << false << "2:59" << 1 << "";
    QTest::newRow("2:20, 5sec") << 2 << 20 << false << "2:14" << 1 << "";
    QTest::newRow("0:03, 5sec ends the phase") << 0 << 3 << false << "0:59" << 2 << "";
    QTest::newRow("0:35, 5sec skips the warning") << 0 << 35 << false << "0:29" << 1 << "";
    QTest::newRow("0:36, 5sec lands on the warning")
        << 0 << 36 << false << "0:30" << 1 << "play sec30.wav";
    QTest::newRow("0:16, 5sec lands on the announcement")
        << 0 << 16 << false << "0:10" << 1 << "play yomu.wav";
    QTest::newRow("4:45, NEXT") << 4 << 45 << true << "0:10" << 1 << "play yomu.wav";
    QTest::newRow("0:05, NEXT announces again") << 0 << 5 << true << "0:10" << 1 << "play yomu.wav";
}

void ClockTest::skips()
{
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(bool, toNext);
    QFETCH(QString, nextShown);
    QFETCH(int, nextPhase);
    QFETCH(QString, cue);

    ClockRig rig;
    rig.startWith({ 5, 0, 1, 0, 1, 0, 1, 0 });
    ClockState s = rig.clock.state();
    s.RemainingMinutes = std::int16_t(minutes);
    s.RemainingSeconds = std::int16_t(seconds);
    rig.clock.adopt(s);
    toNext ? rig.clock.skipToNext() : rig.clock.skipFiveSeconds();
    const QStringList lines = rig.tick();
    QCOMPARE(rig.out.shown, nextShown);
    QCOMPARE(rig.clock.state().Phase, nextPhase);
    QCOMPARE(lines.filter(QStringLiteral("play")),
             cue.isEmpty() ? QStringList() : QStringList { cue });
}

void ClockTest::trims_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("after");

    QTest::newRow("999 --") << 999 << -10 << 989;
    QTest::newRow("105 -- stops at the floor") << 105 << -10 << 100;
    QTest::newRow("50 from the file, - lifts to the floor") << 50 << -1 << 100;
    QTest::newRow("32760 ++ stops at the ceiling") << 32760 << 10 << 32767;
}

void ClockTest::trims()
{
    QFETCH(int, before);
    QFETCH(int, step);
    QFETCH(int, after);

    ClockRig rig;
    rig.clock.startUp({ std::int16_t(before), {} });
    rig.clock.trimInterval(step);
    QCOMPARE(rig.clock.state().TickIntervalMs, after);
    QCOMPARE(rig.out.interval, after);
    QVERIFY(!rig.out.running); // an idle clock stays stopped
}

// A release on a button while Moving runs at 4:04: whether it acts, the interval after,
// and the count the next tick shows.
void ClockTest::releases_data()
{
    QTest::addColumn<Control>("control");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("acted");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("nextShown");

    const int shift = Qt::ShiftModifier, shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    const int left = Qt::LeftButton;
    QTest::newRow("--") << Control::TrimDownTen << left << shiftCtrl << true << 989 << "4:03";
    QTest::newRow("-") << Control::TrimDownOne << left << shiftCtrl << true << 998 << "4:03";
    QTest::newRow("+") << Control::TrimUpOne << left << shiftCtrl << true << 1000 << "4:03";
    QTest::newRow("++") << Control::TrimUpTen << left << shiftCtrl << true << 1009 << "4:03";
    QTest::newRow("5sec >>") << Control::SkipFive << left << shiftCtrl << true << 999 << "3:59";
    QTest::newRow("Skip to NEXT") << Control::SkipToNext << left << shift << true << 999 << "0:10";
    QTest::newRow("Meta is ignored")
        << Control::SkipToNext << left << shift + int(Qt::MetaModifier) << true << 999 << "0:10";
    QTest::newRow("5sec, SHIFT alone")
        << Control::SkipFive << left << shift << false << 999 << "4:03";
    QTest::newRow("5sec, with Alt")
        << Control::SkipFive << left << shiftCtrl + int(Qt::AltModifier) << false << 999 << "4:03";
    QTest::newRow("NEXT, SHIFT+Ctrl")
        << Control::SkipToNext << left << shiftCtrl << false << 999 << "4:03";
    QTest::newRow("++, right button")
        << Control::TrimUpTen << int(Qt::RightButton) << shiftCtrl << false << 999 << "4:03";
    QTest::newRow("++, plain") << Control::TrimUpTen << left << 0 << false << 999 << "4:03";
    QTest::newRow("RESET while running is disabled")
        << Control::Reset << left << shift << false << 999 << "4:03";
    QTest::newRow("START acts on a click, not a release")
        << Control::Start << left << 0 << false << 999 << "4:03";
}

void ClockTest::releases()
{
    QFETCH(Control, control);
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(bool, acted);
    QFETCH(int, interval);
    QFETCH(QString, nextShown);

    ClockRig rig;
    rig.startWith({ 5, 0, 1, 0, 1, 0, 1, 0 });
    rig.tick(56);
    QCOMPARE(rig.out.shown, QStringLiteral("4:04"));
    QCOMPARE(rig.clock.release(control, Qt::MouseButton(button), Qt::KeyboardModifiers(modifiers)),
             acted);
    QCOMPARE(rig.clock.state().TickIntervalMs, interval);
    rig.tick();
    QCOMPARE(rig.out.shown, nextShown);
}

// Two ticks of notice before 0:30 and 0:10, and at every command that starts the timer.
void ClockTest::soundPathGetsNoticeOfEachCue()
{
    ClockRig rig;
    rig.startWith({ 1, 0, 1, 0, 1, 0, 1, 0 });
    QCOMPARE(rig.out.prepared, 1);
    QList<int> noticeTicks;
    for (int n = 1; n <= 60; ++n) {
        const int before = rig.out.prepared;
        rig.tick();
        if (rig.out.prepared > before)
            noticeTicks << n;
    }
    QCOMPARE(noticeTicks, QList<int>({ 28, 29, 48, 49 })); // 0:32, 0:31, 0:12, 0:11
    for (auto command :
         { &ExamClock::skipToNext, &ExamClock::skipFiveSeconds, &ExamClock::resume }) {
        const int before = rig.out.prepared;
        (rig.clock.*command)();
        QCOMPARE(rig.out.prepared, before + 1);
    }
}

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
