#include "recorder.h"
#include "rows.h"

using namespace zentrel;

namespace {
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

// Each command's calls on the timer, the players and the display, in order.
struct Sequence
{
    const char *name;
    OperatingState from;
    void (*command)(ExamClock &);
    const char *expected;
};
using S = OperatingState;
const Sequence Sequences[] = {
    { "start-up", S::Idle,
      [](ExamClock &c) {
          c.startUp({ 990, {} });
      },
      "timer stop, idle, interval 990, shows 990 ms, init players, status 0, count 0:00" },
    { "START", S::Idle, [](ExamClock &c) { c.start(boxesOf("1,0,1,0,1,0,1,0")); },
      "running, status 1, silence, file yomu.wav, timer start, notice" },
    { "pause", S::Running, [](ExamClock &c) { c.pause(); }, "timer stop, paused, status 1 paused" },
    { "resume", S::Paused, [](ExamClock &c) { c.resume(); },
      "running, status 1, timer start, notice" },
    { "RESET", S::Paused, [](ExamClock &c) { c.reset(); },
      "timer stop, status 0, count 0:00, idle, silence" },
    { "5sec >>", S::Running, [](ExamClock &c) { c.skipFiveSeconds(); },
      "timer stop, timer start, notice" },
    { "Skip to NEXT", S::Running, [](ExamClock &c) { c.skipToNext(); },
      "timer stop, timer start, notice" },
    { "trim while running", S::Running, [](ExamClock &c) { c.trimInterval(+10); },
      "timer stop, interval 1009, shows 1009 ms, timer start" },
};

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
    { "-", Control::TrimDownOne, ShiftCtrl, true, 998, "4:03" },
    { "+", Control::TrimUpOne, ShiftCtrl, true, 1000, "4:03" },
    { "++", Control::TrimUpTen, ShiftCtrl, true, 1009, "4:03" },
    { "5sec >> stops at the minute", Control::SkipFive, ShiftCtrl, true, 999, "3:59" },
    { "Skip to NEXT", Control::SkipToNext, Shift, true, 999, "0:10" },
    { "Meta is ignored", Control::SkipToNext, Shift | Qt::MetaModifier, true, 999, "0:10" },
    { "5sec, SHIFT alone", Control::SkipFive, Shift, false, 999, "4:03" },
    { "5sec, with Alt", Control::SkipFive, ShiftCtrl | Qt::AltModifier, false, 999, "4:03" },
    { "RESET while running is disabled", Control::Reset, Shift, false, 999, "4:03" },
};
} // namespace

Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(Sequence)
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
            const QString count
                = QStringLiteral("%1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
            QString expected = QStringLiteral("count ") + count;
            if (left == 30 || left == 10)
                expected += left == 30 ? ", play sec30.wav" : ", play yomu.wav";
            if (left == 32 || left == 31 || left == 12 || left == 11)
                expected += QStringLiteral(", notice");
            QCOMPARE(rig.tick(), expected);
        }
        QCOMPARE(rig.tick(), QStringLiteral("file hajime.wav, status 2, count 0:59"));
    }

    // Phases of 0:00 are passed over within the tick, round the cycle.
    void zeroPhasesArePassedOver()
    {
        ClockRig rig;
        rig.startWith(QStringLiteral("0,0,0,0,0,0,0,1"));
        QCOMPARE(rig.tick(),
                 QStringLiteral("file hajime.wav, status 2, file kohyo.wav, status 3, "
                                "file idou.wav, status 4, count 0:00"));
        QCOMPARE(rig.tick(),
                 QStringLiteral("file yomu.wav, status 1, file hajime.wav, status 2, "
                                "file kohyo.wav, status 3, file idou.wav, status 4, count 0:00"));
        QVERIFY(rig.out.running);
    }

    void start_data() { addRows(Starts); }
    void start()
    {
        QFETCH(Start, row);
        const QLatin1String stored(row.stored);
        ClockRig rig;
        const ClockState before = rig.clock.state();
        const bool started = rig.clock.start(boxesOf(row.boxes)) == StartOutcome::Started;
        const ClockState &s = rig.clock.state();
        QCOMPARE(started, !stored.isEmpty());
        if (!started) {
            QCOMPARE(rig.out.log, QStringList()); // a refusal changes nothing
            QVERIFY(s == before);
            return;
        }
        QCOMPARE(QStringLiteral("%1:%2").arg(s.PhaseDurations[0]).arg(s.PhaseDurations[1]), stored);
        QCOMPARE(QStringLiteral("%1:%2").arg(s.RemainingMinutes).arg(s.RemainingSeconds), stored);
    }

    // From idle, Moving running or paused.
    void commandSequences_data() { addRows(Sequences); }
    void commandSequences()
    {
        QFETCH(Sequence, row);
        ClockRig rig;
        if (row.from != S::Idle)
            rig.startWith(QStringLiteral("1,0,1,0,1,0,1,0"));
        if (row.from == S::Paused)
            rig.clock.pause();
        rig.out.take();
        row.command(rig.clock);
        QCOMPARE(rig.out.take().join(QStringLiteral(", ")), QLatin1String(row.expected));
    }

    // A skip lands on a count; the next tick plays what that count plays.
    void skipsLandBeforeTheNextTick()
    {
        ClockRig rig;
        rig.startWith(QStringLiteral("5,0,1,0,1,0,1,0"));
        rig.at(0, 36);
        rig.clock.skipFiveSeconds();
        QCOMPARE(rig.tick(), QStringLiteral("count 0:30, play sec30.wav"));
        rig.at(0, 5);
        rig.clock.skipToNext(); // back up to 0:10, and announces again
        QCOMPARE(rig.tick(), QStringLiteral("count 0:10, play yomu.wav"));
    }

    void releases_data() { addRows(Releases); }
    void releases()
    {
        QFETCH(Release, row);
        ClockRig rig;
        rig.startWith(QStringLiteral("5,0,1,0,1,0,1,0"));
        rig.at(4, 4);
        const auto modifiers = Qt::KeyboardModifiers(row.modifiers);
        QVERIFY(!rig.clock.release(row.control, Qt::RightButton, modifiers));
        QCOMPARE(rig.clock.release(row.control, Qt::LeftButton, modifiers), row.acted);
        QCOMPARE(rig.clock.state().TickIntervalMs, row.interval);
        rig.tick();
        QCOMPARE(rig.out.shown, QLatin1String(row.nextShown));
    }

    // Idle, from an interval read from the file.
    void trims_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("after");
        QTest::newRow("50, - lifts to the floor") << 50 << -1 << 100;
        QTest::newRow("50, + has no floor") << 50 << 1 << 51;
        QTest::newRow("32760, ++ stops at the ceiling") << 32760 << 10 << 32767;
    }
    void trims()
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
};

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
