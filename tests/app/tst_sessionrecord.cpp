#include "examlog/csvrow.h"
#include "programrig.h"

#include <QRegularExpression>
#include <QTest>

using namespace zentrel;

class SessionRecordTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the program writes for a short session: each command's row before the rows of what
    // it caused, with the count shown when it was given.
    void scriptedSessionRows()
    {
        ProgramRig rig;
        const auto click = [&](Control c, Qt::KeyboardModifiers m = {}) {
            QTest::mouseClick(rig.button(c), Qt::LeftButton, m);
        };
        click(Control::Start);
        rig.clock().tick();
        rig.clock().tick();
        click(Control::TrimUpTen, Qt::ShiftModifier | Qt::ControlModifier);
        click(Control::Pause);
        click(Control::Resume);
        click(Control::SkipFive, Qt::ShiftModifier | Qt::ControlModifier);
        click(Control::SkipFive, Qt::ShiftModifier); // the wrong gesture: no row
        click(Control::SkipToNext, Qt::ShiftModifier);
        rig.clock().tick(); // 0:10 of Moving: the Reading cue
        click(Control::Pause);
        click(Control::Reset, Qt::ShiftModifier);
        rig.messages.answers = { MessageAnswer::Cancel, MessageAnswer::Ok };
        QVERIFY(!rig.window().close());
        QVERIFY(rig.window().close());
        rig.program.reset(); // writes the last rows
        QFile file(rig.dir.filePath(logFileName(QDate::currentDate())));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString log = QString::fromUtf8(file.readAll()).replace(rig.dir.path(), u"DIR"_qs);
        static const QRegularExpression time(u"^[^,]*,"_qs, QRegularExpression::MultilineOption);
        QCOMPARE(log.remove(time).split(u"\r\n"_qs).mid(1),
                 uR"(起動,リセットされました,0:00,設定ファイルを読みました
START,リセットされました,0:00,移動 1:00 読む 1:00 試験 5:00 評価 1:00 間隔 999 ms
フェーズ開始,移動中です,0:00,
間隔調整,移動中です,0:58,999 ms → 1009 ms
一時停止,移動中です,0:58,
再開,移動中です,0:58,
5sec >>,移動中です,0:58,
Skip to NEXT,移動中です,0:58,
音声,移動中です,0:10,yomu.wav (内蔵)
一時停止,移動中です,0:10,
RESET,移動中です,0:10,
終了確認,リセットされました,0:00,
終了確認の答え,リセットされました,0:00,キャンセル
終了確認,リセットされました,0:00,
終了確認の答え,リセットされました,0:00,OK
設定保存,リセットされました,0:00,保存しました: DIR/setting.txt
終了,リセットされました,0:00,
)"_qs.split(u'\n'));
    }
};

QTEST_MAIN(SessionRecordTest)
#include "tst_sessionrecord.moc"
