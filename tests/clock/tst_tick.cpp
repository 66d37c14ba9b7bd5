#include "recordingoutlets.h"

#include <QTest>

class TickTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phaseTimeLine_data();
    void phaseTimeLine();
    void minuteBoundary();
    void zeroLengthPhasesArePassedOver_data();
    void zeroLengthPhasesArePassedOver();
    void feedbackLeadsBackToMoving();
    void soundPathPreparedBeforeEachCue();
    void nothingToCountStopsInsteadOfSpinning_data();
    void nothingToCountStopsInsteadOfSpinning();
};

// Moving of m:s, then Reading 1:00. For each tick of the Moving phase: what it shows and
// which cue it plays; then the tick after its last that enters Reading.
void TickTest::phaseTimeLine_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("firstShown");
    QTest::addColumn<int>("ticksInPhase");
    QTest::addColumn<int>("warningTick"); // 0: none
    QTest::addColumn<int>("announcementTick");

    QTest::newRow("1:00") << 1 << 0 << "0:59" << 60 << 30 << 50;
    QTest::newRow("0:60 counts like 1:00") << 0 << 60 << "0:59" << 60 << 30 << 50;
    QTest::newRow("1:30 opens at 1:29") << 1 << 30 << "1:29" << 90 << 60 << 80;
    QTest::newRow("0:31 warns at once") << 0 << 31 << "0:30" << 31 << 1 << 21;
    QTest::newRow("0:30 never warns") << 0 << 30 << "0:29" << 30 << 0 << 20;
    QTest::newRow("0:11 announces at once") << 0 << 11 << "0:10" << 11 << 0 << 1;
    QTest::newRow("0:10 never announces") << 0 << 10 << "0:9" << 10 << 0 << 0;
    QTest::newRow("60:60 is 61 minutes") << 60 << 60 << "60:59" << 3660 << 3630 << 3650;
}

void TickTest::phaseTimeLine()
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
            QCOMPARE(rig.shown(), firstShown);
        QCOMPARE(rig.clock.state().Phase, 1);
        const bool warned = lines.contains(QStringLiteral("PlayWarningCue"));
        const bool announced = lines.contains(QStringLiteral("PlayPhaseCue yomu.wav"));
        QVERIFY2(warned == (n == warningTick), qPrintable(QStringLiteral("tick %1").arg(n)));
        QVERIFY2(announced == (n == announcementTick),
                 qPrintable(QStringLiteral("tick %1").arg(n)));
    }
    QCOMPARE(rig.shown(), QStringLiteral("0:0"));

    const QStringList change = rig.tick();
    QCOMPARE(rig.clock.state().Phase, 2);
    QCOMPARE(rig.shown(), QStringLiteral("0:59"));
    QCOMPARE(change,
             QStringList({ QStringLiteral("SetPhaseCueFile hajime.wav"),
                           QStringLiteral("Label1 問題を読んでいます"),
                           QStringLiteral("Label2 0000ffff"), QStringLiteral("Label3 0"),
                           QStringLiteral("Label5 59") }));
}

void TickTest::minuteBoundary()
{
    ClockRig rig;
    rig.startWith({ 2, 0, 1, 0, 1, 0, 1, 0 });
    QCOMPARE(rig.tick(), QStringList({ QStringLiteral("Label3 1"), QStringLiteral("Label5 59") }));
    rig.tick(59);
    QCOMPARE(rig.shown(), QStringLiteral("1:0"));
    rig.tick();
    QCOMPARE(rig.shown(), QStringLiteral("0:59"));
}

void TickTest::zeroLengthPhasesArePassedOver_data()
{
    QTest::addColumn<Lengths>("lengths");
    QTest::addColumn<int>("ticksBeforeChange");
    QTest::addColumn<QStringList>("changeTick");
    QTest::addColumn<int>("phaseAfter");

    QTest::newRow("Reading 0:00") << Lengths { 0, 2, 0, 0, 0, 5, 1, 0 } << 2
                                  << QStringList({ "SetPhaseCueFile hajime.wav",
                                                   "Label1 問題を読んでいます", "Label2 0000ffff",
                                                   "SetPhaseCueFile kohyo.wav", "Label1 試験中です",
                                                   "Label2 000000ff", "Label3 0", "Label5 4" })
                                  << 3;
    QTest::newRow("Moving 0:00 at START")
        << Lengths { 0, 0, 0, 20, 1, 0, 1, 0 } << 0
        << QStringList({ "SetPhaseCueFile hajime.wav", "Label1 問題を読んでいます",
                         "Label2 0000ffff", "Label3 0", "Label5 19" })
        << 2;
    QTest::newRow("three phases of 0:00")
        << Lengths { 0, 1, 0, 0, 0, 0, 0, 0 } << 1
        << QStringList({ "SetPhaseCueFile hajime.wav", "Label1 問題を読んでいます",
                         "Label2 0000ffff", "SetPhaseCueFile kohyo.wav", "Label1 試験中です",
                         "Label2 000000ff", "SetPhaseCueFile idou.wav",
                         "Label1 フィードバック中です", "Label2 00ff00ff",
                         "SetPhaseCueFile yomu.wav", "Label1 移動中です", "Label2 00ffff00",
                         "Label3 0", "Label5 0" })
        << 1;
}

void TickTest::zeroLengthPhasesArePassedOver()
{
    QFETCH(Lengths, lengths);
    QFETCH(int, ticksBeforeChange);
    QFETCH(QStringList, changeTick);
    QFETCH(int, phaseAfter);

    ClockRig rig;
    rig.startWith(lengths);
    rig.tick(ticksBeforeChange);
    QCOMPARE(rig.tick(), changeTick);
    QCOMPARE(rig.clock.state().Phase, phaseAfter);
    QVERIFY(rig.ticks.m_running);
}

void TickTest::feedbackLeadsBackToMoving()
{
    ClockRig rig;
    rig.startWith({ 0, 1, 0, 1, 0, 1, 0, 1 });
    rig.tick(4); // one tick of each phase shows 0:00
    const QStringList lines = rig.tick();
    QCOMPARE(rig.clock.state().Phase, 1);
    QVERIFY(lines.contains(QStringLiteral("SetPhaseCueFile yomu.wav")));
    QCOMPARE(rig.shown(), QStringLiteral("0:0"));
}

// The sound path gets two ticks of notice before 0:30 and 0:10, and every command that
// starts the timer gives notice too (its first tick may be a cue).
void TickTest::soundPathPreparedBeforeEachCue()
{
    ClockRig rig;
    rig.clock.start(ClockRig::boxes({ 1, 0, 1, 0, 1, 0, 1, 0 }));
    QCOMPARE(rig.cues.m_prepared, 1);
    QList<int> noticeTicks;
    for (int n = 1; n <= 60; ++n) {
        const int before = rig.cues.m_prepared;
        rig.tick();
        if (rig.cues.m_prepared > before)
            noticeTicks << n;
    }
    QCOMPARE(noticeTicks, QList<int>({ 28, 29, 48, 49 })); // 0:32, 0:31, 0:12, 0:11

    for (auto command :
         { &ExamClock::skipToNext, &ExamClock::skipFiveSeconds, &ExamClock::resume }) {
        const int before = rig.cues.m_prepared;
        (rig.clock.*command)();
        QCOMPARE(rig.cues.m_prepared, before + 1);
    }
}

// A tick with nothing left to count must end: the count stays at 0:00 and the timer stops.
void TickTest::nothingToCountStopsInsteadOfSpinning_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("phaseChanges");
    QTest::newRow("all four lengths 0:00") << 2 << 4;
    QTest::newRow("tick in the reset phase") << 0 << 0;
}

void TickTest::nothingToCountStopsInsteadOfSpinning()
{
    QFETCH(int, phase);
    QFETCH(int, phaseChanges);

    ClockRig rig;
    rig.ticks.start();
    ClockState &s = rig.clock.state();
    s.PhaseDurations = { 0, 0, 0, 0, 0, 0, 0, 0 };
    s.Phase = static_cast<std::uint8_t>(phase);
    s.RemainingMinutes = 0;
    s.RemainingSeconds = 0;

    const QStringList lines = rig.tick();
    QCOMPARE(lines.filter(QStringLiteral("SetPhaseCueFile")).size(), phaseChanges);
    QCOMPARE(s.Phase, phase);
    QCOMPARE(rig.shown(), QStringLiteral("0:0"));
    QVERIFY(!rig.ticks.m_running);
    QVERIFY(!lines.contains(QStringLiteral("PlayWarningCue")));
}

QTEST_GUILESS_MAIN(TickTest)
#include "tst_tick.moc"
