#include "programrig.h"

#include "examlog/sessionevent.h"

#include <QTest>

using namespace zentrel;

class SessionRecordTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scriptedSessionRows();
};

// What the program writes for a short session: each command's row before the rows of what it
// caused, with the count shown when it was given.
void SessionRecordTest::scriptedSessionRows()
{
    QString logFile;
    {
        ProgramRig rig;
        const auto release = [&](Control c, Qt::KeyboardModifiers m) {
            QTest::mouseRelease(rig.button(c), Qt::LeftButton, m);
        };
        const Qt::KeyboardModifiers shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        rig.clock().tick();
        rig.clock().tick();
        release(Control::TrimUpTen, shiftCtrl);
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        QTest::mouseClick(rig.button(Control::Resume), Qt::LeftButton);
        release(Control::SkipFive, shiftCtrl);
        release(Control::SkipFive, Qt::ShiftModifier); // the wrong gesture: no row
        release(Control::SkipToNext, Qt::ShiftModifier);
        rig.clock().tick(); // 0:10 of Moving: the Reading cue
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        release(Control::Reset, Qt::ShiftModifier);
        rig.messages.answers = { MessageAnswer::Cancel, MessageAnswer::Ok };
        QVERIFY(!rig.window().close());
        QVERIFY(rig.window().close());
        logFile = rig.dir.filePath(
            QDir(rig.dir.path()).entryList({ QStringLiteral("*.csv") }).value(0));
        rig.program.reset(); // writes the last rows
        QFile file(logFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        logFile = QString::fromUtf8(file.readAll());
    }
    QStringList rows = logFile.split(QStringLiteral("\r\n"));
    rows.removeFirst(); // the head
    rows.removeLast(); // after the last line end
    QStringList got;
    for (const QString &row : rows)
        got << row.section(u',', 1, 3);

    const QString moving = QStringLiteral("移動中です");
    const QString reset = QStringLiteral("リセットされました");
    auto row = [](SessionEvent e, const QString &phase, const char *count) {
        return eventName(e) + u',' + phase + u',' + QLatin1String(count);
    };
    using E = SessionEvent;
    const QStringList expected {
        row(E::ProgramStart, reset, "0:00"),  row(E::Start, reset, "0:00"),
        row(E::PhaseEntered, moving, "0:00"), row(E::Trim, moving, "0:58"),
        row(E::Pause, moving, "0:58"),        row(E::Resume, moving, "0:58"),
        row(E::FiveSeconds, moving, "0:58"),  row(E::SkipToNext, moving, "0:58"),
        row(E::Cue, moving, "0:10"),          row(E::Pause, moving, "0:10"),
        row(E::Reset, moving, "0:10"),        row(E::ExitAsked, reset, "0:00"),
        row(E::ExitAnswered, reset, "0:00"),  row(E::ExitAsked, reset, "0:00"),
        row(E::ExitAnswered, reset, "0:00"),  row(E::Save, reset, "0:00"),
        row(E::ProgramEnd, reset, "0:00"),
    };
    QCOMPARE(got, expected);
    QVERIFY(rows[1].endsWith(QStringLiteral("間隔 999 ms")));
    QVERIFY(rows[3].endsWith(trimDetail(999, 1009)));
    QVERIFY(rows[8].endsWith(cueDetail(QStringLiteral("yomu.wav"), CueSource::BuiltIn)));
    QVERIFY(rows[12].endsWith(QStringLiteral(",キャンセル")));
    QVERIFY(rows[15].contains(QStringLiteral("setting.txt")));
}

QTEST_MAIN(SessionRecordTest)
#include "tst_sessionrecord.moc"
