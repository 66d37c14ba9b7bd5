#include "clock/gestures.h"
#include "recorder.h"
#include "rows.h"

using namespace zentrel;

namespace {
// Moments are counts in seconds: one at 1:00 is due there, with notice two ticks before.
constexpr CueMoment AtOneMinute[] = { { 60, Cue::Warning, "w.wav" } };
static_assert(cueAt(60, AtOneMinute) == Cue::Warning && cueAt(0, AtOneMinute) == Cue::None);
static_assert(cueComing(62, AtOneMinute) && !cueComing(60, AtOneMinute));

// The eight boxes at START, and Moving as stored ("" when refused).
struct Start
{
    const char *name, *boxes, *stored;
};
const Start Starts[] = {
    { "0 and 60 are the bounds", "0,60,1,0,5,0,1,0", "0:60" },
    { "60.5 above", "60.5,0,1,0,5,0,1,0", "" },
    { "-1 below", "1,-1,1,0,5,0,1,0", "" },
    { "halves round to even", "1.5,2.5,1,0,5,0,1,0", "2:2" },
    { "full width, U+3000, U+2212", "　１９,＋３０,−0,0,5,0,1,0", "19:30" },
    { "a bad last box", "1,0,1,0,5,0,1,x", "" },
    { "zeros after rounding", "0.4,0,0,0,0,0,0,0.5", "" },
};

// What each command leaves, from idle, Moving running at 1:00, or paused: the operating
// state, whether the timer runs, the interval the timer takes, and what the changes told.
struct Outcome
{
    const char *name;
    OperatingState from;
    void (*command)(ExamClock &);
    OperatingState after;
    TimerRun timer;
    int interval;
    const char *told;
};
using S = OperatingState;
using T = TimerRun;
// clang-format off
const Outcome Outcomes[] = {
    { "start-up", S::Idle, [](ExamClock &c) { c.startUp({}); }, S::Idle, T::Stopped, 999, "count 0:00" },
    { "START", S::Idle, [](ExamClock &c) { c.start(boxesOf("1,0,1,0,1,0,1,0")); }, S::Running, T::Running, 999, "enter 1, count 1:00, notice" },
    { "START refused: nothing changes, nothing is told", S::Idle, [](ExamClock &c) { c.start(boxesOf("0,0,0,0,0,0,0,x")); }, S::Idle, T::Stopped, 999, "" },
    { "pause", S::Running, [](ExamClock &c) { c.pause(); }, S::Paused, T::Stopped, 999, "count 1:00" },
    { "resume", S::Paused, [](ExamClock &c) { c.resume(); }, S::Running, T::Running, 999, "count 1:00, notice" },
    { "RESET", S::Paused, [](ExamClock &c) { c.reset(); }, S::Idle, T::Stopped, 999, "count 0:00" },
    { "5sec >>", S::Running, [](ExamClock &c) { c.skipFiveSeconds(); }, S::Running, T::Running, 999, "count 1:00, notice" },
    { "Skip to NEXT", S::Running, [](ExamClock &c) { c.skipToNext(); }, S::Running, T::Running, 999, "count 0:11, notice" },
    { "trim while paused", S::Paused, [](ExamClock &c) { c.trimInterval(+10); }, S::Paused, T::Stopped, 1009, "count 1:00" },
    { "idle at 50, - lifts to the floor", S::Idle, [](ExamClock &c) { c.startUp({ 50, {} }); c.trimInterval(-1); }, S::Idle, T::Stopped, 100, "count 0:00; count 0:00" },
    { "idle at 50, + has no floor", S::Idle, [](ExamClock &c) { c.startUp({ 50, {} }); c.trimInterval(+1); }, S::Idle, T::Stopped, 51, "count 0:00; count 0:00" },
    { "idle at 32760, ++ stops at the ceiling", S::Idle, [](ExamClock &c) { c.startUp({ 32760, {} }); c.trimInterval(+10); }, S::Idle, T::Stopped, 32767, "count 0:00; count 0:00" },
};
// clang-format on

// A release on a button while Moving runs at 4:04: whether it acts, the interval after,
// and the count the next tick shows.
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
    { "--", Control::TrimDownTen, ShiftCtrl, true, 989, "4:03" },
    { "++", Control::TrimUpTen, ShiftCtrl, true, 1009, "4:03" },
    { "5sec >> stops at the minute", Control::SkipFive, ShiftCtrl, true, 999, "3:59" },
    { "Skip to NEXT", Control::SkipToNext, Shift, true, 999, "0:10" },
    { "Meta is ignored", Control::SkipToNext, Shift | Qt::MetaModifier, true, 999, "0:10" },
    { "5sec, SHIFT alone", Control::SkipFive, Shift, false, 999, "4:03" },
    { "5sec, with Alt", Control::SkipFive, ShiftCtrl | Qt::AltModifier, false, 999, "4:03" },
    { "RESET while running is disabled", Control::Reset, Shift, false, 999, "4:03" },
};

// START with the boxes, then steps: "t" ticks, "5" is 5sec >>, "n" Skip to NEXT, and "0:31"
// adopts Moving at that count, as a following room takes its leader's states. Told: each step
// that entered phases or sounded a cue, and what. Each cue sounds once for its count, whichever
// came first, the tick or the leader.
struct Script
{
    const char *name, *boxes, *steps, *told;
};
const char *const OneMinuteEach = "1,0,1,0,1,0,1,0";
// clang-format off
const Script Scripts[] = {
    { "phases of 0:00 are passed over within the tick, round the cycle", "0,0,0,0,0,0,0,1", "t t", "t: 2 3 4; t: 1 2 3 4" },
    { "a skip lands on a count; the next tick plays its cue", "5,0,1,0,1,0,1,0", "0:36 5 t 0:11 t t n t", "t: sec30.wav; t: yomu.wav; t: yomu.wav" },
    { "own tick first, then the leader", OneMinuteEach, "0:31 t 0:30", "t: sec30.wav" },
    { "the leader's state, then the cue on its tick", OneMinuteEach, "0:12 t t", "t: yomu.wav" },
    { "drift back up repeats nothing", OneMinuteEach, "0:31 t t 0:31 0:30 t", "t: sec30.wav" },
    { "a full length shown by START is no tick", OneMinuteEach, "1:00 0:31 0:30", "0:30: sec30.wav" },
    { "a new occurrence sounds again", OneMinuteEach, "0:30 0:59 0:30", "0:30: sec30.wav; 0:30: sec30.wav" },
};
// clang-format on

} // namespace

Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(Release)

class ClockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every tick shows one second less; cues play at 0:30 and 0:10 with notice two ticks
    // ahead; the tick after 0:00 enters Reading.
    void countdown()
    {
        ClockRig rig;
        rig.startWith(QStringLiteral("2,0,1,0,1,0,1,0"));
        for (int left = 119; left >= 0; --left) {
            QString expected = u"count %1:%2"_qs.arg(left / 60).arg(left % 60, 2, 10, QChar(u'0'));
            if (left == 30 || left == 10)
                expected += left == 30 ? ", play sec30.wav" : ", play yomu.wav";
            if (left == 32 || left == 31 || left == 12 || left == 11)
                expected += QStringLiteral(", notice");
            QCOMPARE(rig.tick(), expected);
        }
        QCOMPARE(rig.tick(), QStringLiteral("enter 2, count 0:59"));
    }

    void start_data() { addRows(Starts); }
    void start()
    {
        QFETCH(Start, row);
        const auto lengths = readStartBoxes(boxesOf(row.boxes));
        QCOMPARE(lengths ? u"%1:%2"_qs.arg((*lengths)[0]).arg((*lengths)[1]) : QString(),
                 QLatin1String(row.stored));
    }

    void commands_data() { addRows(Outcomes); }
    void commands()
    {
        QFETCH(Outcome, row);
        ClockRig rig;
        if (row.from != S::Idle)
            rig.startWith(QLatin1String(OneMinuteEach));
        if (row.from == S::Paused)
            rig.clock.pause();
        rig.out.take();
        row.command(rig.clock);
        QCOMPARE(rig.clock.operatingState(), row.after);
        QCOMPARE(rig.clock.state().Timer, row.timer);
        QCOMPARE(rig.clock.state().TickIntervalMs, row.interval);
        QCOMPARE(rig.clock.timerInterval(), row.interval);
        QCOMPARE(rig.out.take().join(u"; "), QLatin1String(row.told));
    }

    void scripts_data() { addRows(Scripts); }
    void scripts()
    {
        QFETCH(Script, row);
        ClockRig rig;
        rig.startWith(QLatin1String(row.boxes));
        QString step;
        QStringList told;
        QObject::connect(&rig.clock, &ExamClock::changed, &rig.clock, [&](const ClockChange &c) {
            QStringList what;
            for (const Phase phase : c.entered)
                what << QString::number(int(phase));
            if (c.cue != Cue::None)
                what << QLatin1String(cueFile(c.cue, c.state.Phase));
            if (!what.isEmpty())
                told << step + u": "_qs + what.join(u' ');
        });
        for (const QString &s : QString::fromLatin1(row.steps).split(u' ')) {
            step = s;
            if (s == u"t")
                rig.clock.tick();
            else if (s == u"5")
                rig.clock.skipFiveSeconds();
            else if (s == u"n")
                rig.clock.skipToNext();
            else
                rig.at(s.section(u':', 0, 0).toInt(), s.section(u':', 1).toInt());
        }
        QCOMPARE(told.join(u"; "), QLatin1String(row.told));
        QVERIFY(rig.running());
    }

    // A following room whose leader's states come up to half an interval late shows each
    // count once: its own timer stands in that much slower and never counts between them.
    // Cut off, it keeps the exact interval.
    void standInPace()
    {
        ExamClock clock;
        clock.startUp({ 1000, {} });
        clock.setPace(TickPace::StandIn);
        Recorder shown(clock);
        ClockState leader = clock.state();
        leader.Phase = Phase::Moving;
        leader.Timer = TimerRun::Running;
        for (int left = 50; left > 46; --left) {
            leader.RemainingSeconds = std::int16_t(left);
            clock.adopt(leader);
            QTest::qWait(1100); // a tenth of an interval late
        }
        QCOMPARE(shown.log,
                 QStringList({ "enter 1, count 0:50", "count 0:49", "count 0:48", "count 0:47" }));
        clock.setPace(TickPace::Exact);
        QTRY_COMPARE(shown.log.size(), 5); // cut off: it counts by itself
        QCOMPARE(shown.log.last(), u"count 0:46"_qs);
    }

    void releases_data() { addRows(Releases); }
    void releases()
    {
        QFETCH(Release, row);
        ClockRig rig;
        rig.startWith(QStringLiteral("5,0,1,0,1,0,1,0"));
        rig.at(4, 4);
        const auto modifiers = Qt::KeyboardModifiers(row.modifiers);
        QVERIFY(!actOnRelease(rig.clock, row.control, Qt::RightButton, modifiers));
        QCOMPARE(actOnRelease(rig.clock, row.control, Qt::LeftButton, modifiers), row.acted);
        QCOMPARE(rig.clock.state().TickIntervalMs, row.interval);
        QCOMPARE(rig.tick().section(u',', 0, 0), u"count "_qs + QLatin1String(row.nextShown));
    }
};

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
