#include "recorder.h"
#include "rows.h"

using namespace zentrel;

using Lengths = std::array<int, 8>;

namespace {
std::array<QString, 8> boxesOf(const char *text)
{
    std::array<QString, 8> boxes;
    const QStringList parts = QString::fromUtf8(text).split(u',');
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = parts.value(qsizetype(i));
    return boxes;
}

QString shown(const ClockState &s)
{
    return QStringLiteral("%1:%2").arg(s.RemainingMinutes).arg(s.RemainingSeconds);
}

// A phase of m:s before Reading 1:00: the first count shown, the ticks it lasts, and the
// ticks that play the warning and the announcement (0: none).
struct TimeLine
{
    const char *name;
    int minutes, seconds;
    const char *first;
    int ticks, warning, announcement;
};
const TimeLine TimeLines[] = {
    { "1:00", 1, 0, "0:59", 60, 30, 50 },
    { "0:60 counts like 1:00", 0, 60, "0:59", 60, 30, 50 },
    { "2:00 borrows minutes", 2, 0, "1:59", 120, 90, 110 },
    { "0:31 warns at once", 0, 31, "0:30", 31, 1, 21 },
    { "0:30 never warns", 0, 30, "0:29", 30, 0, 20 },
    { "0:11 announces at once", 0, 11, "0:10", 11, 0, 1 },
    { "0:10 never announces", 0, 10, "0:09", 10, 0, 0 },
    { "60:60 is 61 minutes", 60, 60, "60:59", 3660, 3630, 3650 },
};

// The tick that leaves a phase: phases of 0:00 are passed over within it.
struct PhaseChange
{
    const char *name;
    Lengths lengths;
    int ticksBefore;
    const char *changeTick;
    int phaseAfter;
};
const PhaseChange PhaseChanges[] = {
    { "Reading 0:00",
      { 0, 2, 0, 0, 0, 5, 1, 0 },
      2,
      "file hajime.wav, status 2, file kohyo.wav, status 3, count 0:04",
      3 },
    { "Moving 0:00 at START",
      { 0, 0, 0, 20, 1, 0, 1, 0 },
      0,
      "file hajime.wav, status 2, count 0:19",
      2 },
    { "Feedback leads back to Moving",
      { 0, 1, 0, 1, 0, 1, 0, 1 },
      4,
      "file yomu.wav, status 1, count 0:00",
      1 },
    { "three phases of 0:00",
      { 0, 1, 0, 0, 0, 0, 0, 0 },
      1,
      "file hajime.wav, status 2, file kohyo.wav, status 3, file idou.wav, status 4, "
      "file yomu.wav, status 1, count 0:00",
      1 },
};

// The eight boxes at START, and Moving as stored ("" when refused).
struct Start
{
    const char *name;
    const char *boxes;
    const char *stored;
};
const Start Starts[] = {
    { "all 60", "60,60,60,60,60,60,60,60", "60:60" },
    { "0 and 60 are the bounds", "0,60,1,0,5,0,1,0", "0:60" },
    { "60.5 above", "60.5,0,1,0,5,0,1,0", "" },
    { "-1 below", "1,-1,1,0,5,0,1,0", "" },
    { "1.5 rounds up", "1.5,0,1,0,5,0,1,0", "2:0" },
    { "2.5 rounds to even", "2.5,0,1,0,5,0,1,0", "2:0" },
    { "59.5 rounds to 60", "1,59.5,1,0,5,0,1,0", "1:60" },
    { "full-width digits, ideographic space", "　１２,３０,1,0,5,0,1,0", "12:30" },
    { "full-width 9 and plus", "９,＋５,1,0,5,0,1,0", "9:5" },
    { "minus sign U+2212", "1,−1,1,0,5,0,1,0", "" },
    { "minus sign U+2212 on zero", "1,−0,1,0,5,0,1,0", "1:0" },
    { "empty box", ",0,1,0,5,0,1,0", "" },
    { "letters", "1,abc,1,0,5,0,1,0", "" },
    { "a bad last box", "1,0,1,0,5,0,1,x", "" },
    { "eight zeros", "0,0,0,0,0,0,0,0", "" },
    { "zeros after rounding", "0.4,0,0,0,0,0,0,0.5", "" },
};

// Each command's calls on the timer, the players and the display, in order, from Moving
// running (or paused, where the command needs it).
struct Sequence
{
    const char *name;
    void (*command)(ExamClock &);
    const char *expected;
};
const Sequence Sequences[] = {
    { "start-up",
      [](ExamClock &c) {
          c.startUp({ 990, {} });
      },
      "timer stop, idle, interval 990, shows 990 ms, init players, status 0, count 0:00" },
    { "START", [](ExamClock &c) { c.start(boxesOf("1,0,1,0,1,0,1,0")); },
      "running, status 1, silence, file yomu.wav, timer start" },
    { "pause", [](ExamClock &c) { c.pause(); }, "timer stop, paused, status 1 paused" },
    { "resume", [](ExamClock &c) { c.resume(); }, "running, status 1, timer start" },
    { "RESET", [](ExamClock &c) { c.reset(); }, "timer stop, status 0, count 0:00, idle, silence" },
    { "5sec >>", [](ExamClock &c) { c.skipFiveSeconds(); }, "timer stop, timer start" },
    { "Skip to NEXT", [](ExamClock &c) { c.skipToNext(); }, "timer stop, timer start" },
    { "trim while running", [](ExamClock &c) { c.trimInterval(+10); },
      "timer stop, interval 1009, shows 1009 ms, timer start" },
};

// Moving at m:s, a skip, and what the next tick shows and plays.
struct Skip
{
    const char *name;
    int minutes, seconds;
    bool toNext;
    const char *nextShown;
    int nextPhase;
    const char *cue;
};
const Skip Skips[] = {
    { "3:04, 5sec", 3, 4, false, "2:59", 1, "" },
    { "3:00, 5sec changes nothing", 3, 0, false, "2:59", 1, "" },
    { "2:20, 5sec", 2, 20, false, "2:14", 1, "" },
    { "0:03, 5sec ends the phase", 0, 3, false, "0:59", 2, "" },
    { "0:35, 5sec skips the warning", 0, 35, false, "0:29", 1, "" },
    { "0:36, 5sec lands on the warning", 0, 36, false, "0:30", 1, "play sec30.wav" },
    { "0:16, 5sec lands on the announcement", 0, 16, false, "0:10", 1, "play yomu.wav" },
    { "4:45, NEXT", 4, 45, true, "0:10", 1, "play yomu.wav" },
    { "0:05, NEXT announces again", 0, 5, true, "0:10", 1, "play yomu.wav" },
};

// A release on a button while Moving runs at 4:04: whether it acts, the interval after,
// and the count the next tick shows. Trims from other intervals, idle.
struct Release
{
    const char *name;
    Control control;
    int modifiers;
    bool acted;
    int interval;
    const char *nextShown;
};
constexpr int ShiftCtrl = Qt::ShiftModifier | Qt::ControlModifier, Shift = Qt::ShiftModifier;
const Release Releases[] = {
    { "--", Control::TrimDownTen, ShiftCtrl, true, 989, "4:3" },
    { "-", Control::TrimDownOne, ShiftCtrl, true, 998, "4:3" },
    { "+", Control::TrimUpOne, ShiftCtrl, true, 1000, "4:3" },
    { "++", Control::TrimUpTen, ShiftCtrl, true, 1009, "4:3" },
    { "5sec >>", Control::SkipFive, ShiftCtrl, true, 999, "3:59" },
    { "Skip to NEXT", Control::SkipToNext, Shift, true, 999, "0:10" },
    { "Meta is ignored", Control::SkipToNext, Shift | Qt::MetaModifier, true, 999, "0:10" },
    { "5sec, SHIFT alone", Control::SkipFive, Shift, false, 999, "4:3" },
    { "5sec, with Alt", Control::SkipFive, ShiftCtrl | Qt::AltModifier, false, 999, "4:3" },
    { "NEXT, SHIFT+Ctrl", Control::SkipToNext, ShiftCtrl, false, 999, "4:3" },
    { "++, plain", Control::TrimUpTen, 0, false, 999, "4:3" },
    { "RESET while running is disabled", Control::Reset, Shift, false, 999, "4:3" },
};

struct Trim
{
    const char *name;
    int before, step, after;
};
const Trim Trims[] = {
    { "999 --", 999, -10, 989 },
    { "105 -- stops at the floor", 105, -10, 100 },
    { "50 from the file, - lifts to the floor", 50, -1, 100 },
    { "32760 ++ stops at the ceiling", 32760, 10, 32767 },
};
} // namespace

Q_DECLARE_METATYPE(TimeLine)
Q_DECLARE_METATYPE(PhaseChange)
Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(Sequence)
Q_DECLARE_METATYPE(Skip)
Q_DECLARE_METATYPE(Release)
Q_DECLARE_METATYPE(Trim)

class ClockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phaseTimeLine_data() { addRows(TimeLines); }
    void phaseTimeLine()
    {
        QFETCH(TimeLine, row);
        ClockRig rig;
        rig.startWith({ row.minutes, row.seconds, 1, 0, 1, 0, 1, 0 });
        for (int n = 1; n <= row.ticks; ++n) {
            const QString lines = rig.tick();
            if (n == 1)
                QCOMPARE(rig.out.shown, QLatin1String(row.first));
            QCOMPARE(rig.clock.state().Phase, 1);
            QVERIFY2(lines.contains(QLatin1String("play sec30.wav")) == (n == row.warning),
                     qPrintable(QString::number(n)));
            QVERIFY2(lines.contains(QLatin1String("play yomu.wav")) == (n == row.announcement),
                     qPrintable(QString::number(n)));
        }
        QCOMPARE(rig.out.shown, QStringLiteral("0:00"));
        QCOMPARE(rig.tick(), QStringLiteral("file hajime.wav, status 2, count 0:59"));
    }

    void phaseChanges_data() { addRows(PhaseChanges); }
    void phaseChanges()
    {
        QFETCH(PhaseChange, row);
        ClockRig rig;
        rig.startWith(row.lengths);
        rig.tick(row.ticksBefore);
        QCOMPARE(rig.tick(), QLatin1String(row.changeTick));
        QCOMPARE(rig.clock.state().Phase, row.phaseAfter);
        QVERIFY(rig.out.running);
    }

    void start_data() { addRows(Starts); }
    void start()
    {
        QFETCH(Start, row);
        ClockRig rig;
        const ClockState before = rig.clock.state();
        const bool started = rig.clock.start(boxesOf(row.boxes)) == StartOutcome::Started;
        const ClockState &s = rig.clock.state();
        QCOMPARE(started, *row.stored != 0);
        if (!started) {
            QCOMPARE(rig.out.log, QStringList()); // a refusal changes nothing
            QVERIFY(s == before);
            return;
        }
        QCOMPARE(QStringLiteral("%1:%2").arg(s.PhaseDurations[0]).arg(s.PhaseDurations[1]),
                 QLatin1String(row.stored));
        QCOMPARE(shown(s), QLatin1String(row.stored));
    }

    void commandSequences_data() { addRows(Sequences); }
    void commandSequences()
    {
        QFETCH(Sequence, row);
        ClockRig rig;
        if (QLatin1String(row.name) != "start-up" && QLatin1String(row.name) != "START") {
            rig.startWith({ 1, 0, 1, 0, 1, 0, 1, 0 });
            if (QLatin1String(row.name) == "resume" || QLatin1String(row.name) == "RESET")
                rig.clock.pause();
            rig.out.take();
        }
        row.command(rig.clock);
        QCOMPARE(rig.out.take().join(QStringLiteral(", ")), QLatin1String(row.expected));
    }

    void skips_data() { addRows(Skips); }
    void skips()
    {
        QFETCH(Skip, row);
        ClockRig rig;
        rig.startWith({ 5, 0, 1, 0, 1, 0, 1, 0 });
        ClockState s = rig.clock.state();
        s.RemainingMinutes = std::int16_t(row.minutes);
        s.RemainingSeconds = std::int16_t(row.seconds);
        rig.clock.adopt(s);
        row.toNext ? rig.clock.skipToNext() : rig.clock.skipFiveSeconds();
        const QString lines = rig.tick();
        QCOMPARE(rig.out.shown, QLatin1String(row.nextShown));
        QCOMPARE(rig.clock.state().Phase, row.nextPhase);
        QCOMPARE(lines.contains(QLatin1String("play")), *row.cue != 0);
        QVERIFY(lines.contains(QLatin1String(row.cue)));
    }

    void releases_data() { addRows(Releases); }
    void releases()
    {
        QFETCH(Release, row);
        ClockRig rig;
        rig.startWith({ 5, 0, 1, 0, 1, 0, 1, 0 });
        rig.tick(56);
        QCOMPARE(shown(rig.clock.state()), QStringLiteral("4:4"));
        QCOMPARE(
            rig.clock.release(row.control, Qt::LeftButton, Qt::KeyboardModifiers(row.modifiers)),
            row.acted);
        QCOMPARE(rig.clock.state().TickIntervalMs, row.interval);
        rig.tick();
        QCOMPARE(shown(rig.clock.state()), QLatin1String(row.nextShown));
        // Only the left button acts.
        QVERIFY(
            !rig.clock.release(row.control, Qt::RightButton, Qt::KeyboardModifiers(row.modifiers)));
    }

    void trims_data() { addRows(Trims); }
    void trims()
    {
        QFETCH(Trim, row);
        ClockRig rig;
        rig.clock.startUp({ std::int16_t(row.before), {} });
        rig.clock.trimInterval(row.step);
        QCOMPARE(rig.clock.state().TickIntervalMs, row.after);
        QCOMPARE(rig.out.interval, row.after);
        QVERIFY(!rig.out.running); // an idle clock stays stopped
    }

    // Two ticks of notice before 0:30 and 0:10, and at every command that starts the timer.
    void soundPathGetsNoticeOfEachCue()
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
};

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
