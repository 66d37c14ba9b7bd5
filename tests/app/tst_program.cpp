#include "examlog/csvrow.h"
#include "fakedesktop.h"
#include "programrig.h"
#include "rows.h"

#include <QRegularExpression>

#include <sys/fsuid.h>
#include <sys/stat.h>

using namespace zentrel;

namespace {
const QByteArray File990 = settingsFileBytes({ 990, { 2, 30, 3, 0, 10, 0, 1, 5 } });

// chmod 000. Root reads whatever the mode says, so the file is read as nobody (the test
// takes its rights back).
void unreadable(const QString &file)
{
    QVERIFY(QFile::setPermissions(file, {}));
    QVERIFY(::chmod(QFile::encodeName(QFileInfo(file).path()).constData(), 0755) == 0);
    ::setfsuid(65534);
}

// Start-up from a file that is not complete: the notice's first line, the interval, the boxes.
struct StartUp
{
    const char *name;
    QByteArray file;
    void (*spoil)(const QString &);
    const char *notice, *interval, *boxes;
};
// clang-format off
const StartUp StartUps[] = {
    { "no file", QByteArray(), nullptr, "設定ファイルが見つかりません。", "999", "1 0 1 0 5 0 1 0" },
    { "unreadable", File990, unreadable, "設定ファイルの記述が正しくありません。", "999", "1 0 1 0 5 0 1 0" },
    { "END in capitals", QByteArray(File990).replace("\nend", "\nEND"), nullptr, "設定ファイル最終行に end が指定されていません。", "990", "2 30 3 0 10 0 1 5" },
};
// clang-format on

// Closing the window after START: the boxes typed over the first ones, the answers (the last
// one decides), a line the file then holds ("": unchanged), and part of a bad box's report.
using A = MessageAnswer;
struct Exit
{
    const char *name, *boxes;
    QList<A> answers;
    const char *saved, *reported;
};
const char *Saved = "1009:interval of one second\r\n75:moving minutes\r\n-3:moving seconds\r\n100:";
// clang-format off
const Exit Exits[] = {
    { "OK saves the boxes and the trimmed interval", " 75 ,－３,100", { A::Ok }, Saved, "" },
    { "-32768 fits", "-32768", { A::Ok }, "\n-32768:moving minutes\r\n", "" },
    { "32768 is reported, never saved", "32768", { A::Ok, A::Cancel }, "", "移動時間 の min" },
    { "bad box, closed", "7,8,1.5", { A::Ok, A::Ok }, "", "読む時間 の min に入力された「1.5」" },
    { "the last box is read too", "1,0,1,0,5,0,1,x", { A::Ok, A::Cancel }, "", "「x」" },
};
// clang-format on
} // namespace

Q_DECLARE_METATYPE(StartUp)
Q_DECLARE_METATYPE(Exit)

class ProgramTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp_data() { addRows(StartUps); }
    void startUp()
    {
        QFETCH(StartUp, row);
        ProgramRig rig(row.file, QDBusConnection(QString()), {}, row.spoil);
        ::setfsuid(::geteuid());
        QCOMPARE(rig.messages.shown.value(0).section(u'\n', 0, 0), QString::fromUtf8(row.notice));
        QCOMPARE(rig.messages.buttons.value(0), MessageButtons::OkCancelOkDefault);
        QCOMPARE(rig.label(Label::TickInterval)->text(), QLatin1String(row.interval));
        const LengthTexts boxes = rig.window().lengthTexts();
        QCOMPARE(QStringList(boxes.begin(), boxes.end()).join(u' '), QLatin1String(row.boxes));
    }

    void refusal()
    {
        ProgramRig rig;
        rig.box(1)->setText(QStringLiteral("abc"));
        rig.box(6)->setText(QStringLiteral("99"));
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        QCOMPARE(rig.messages.shown, QStringList { "時間設定が不適切です" }); // one for two boxes
        QCOMPARE(rig.messages.buttons.first(), MessageButtons::Ok);
        QCOMPARE(rig.box(1)->text(), QStringLiteral("abc"));
    }

    void exit_data() { addRows(Exits); }
    void exit()
    {
        QFETCH(Exit, row);
        ProgramRig rig;
        QTest::mouseRelease(rig.button(Control::TrimUpTen), Qt::LeftButton, ShiftCtrl);
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        const PhaseLengths started = rig.clock().state().PhaseDurations;
        const QStringList boxes = QString::fromUtf8(row.boxes).split(u',');
        for (int i = 0; i < boxes.size(); ++i)
            rig.box(std::size_t(i))->setText(boxes[i]);
        rig.messages.answers = row.answers;

        const bool closed = row.answers.last() == A::Ok;
        QCOMPARE(rig.window().close(), closed);
        QCOMPARE(rig.messages.shown.first(), QStringLiteral("本当に終了しますか？"));
        QVERIFY(rig.messages.shown.last().contains(QString::fromUtf8(row.reported)));
        QCOMPARE(rig.messages.buttons.last(), MessageButtons::OkCancelCancelDefault);
        if (*row.saved)
            QVERIFY(rig.onDisk().contains(row.saved));
        else
            QCOMPARE(rig.onDisk(), CompleteSettings);
        // The running clock keeps the lengths it was started with, and goes on counting.
        QVERIFY(rig.clock().state().PhaseDurations == started);
        QVERIFY(closed || rig.running());
    }

    // Where the file cannot be written (a folder of that name stands in the way, which holds
    // even for root) the operator is asked; with no file at start-up, the exit creates it.
    void fileAtExit()
    {
        ProgramRig rig(QByteArray {});
        QVERIFY(QDir().mkdir(rig.path()));
        rig.messages.answers = { A::Ok, A::Cancel };
        QVERIFY(!rig.window().close());
        QVERIFY(rig.messages.shown.last().contains(rig.path()));
        QVERIFY(QDir().rmdir(rig.path()));
        QVERIFY(rig.window().close());
        QCOMPARE(rig.onDisk(), CompleteSettings);
    }

    // Logging out: asked where the desktop allows it, else saved as OK would save. The
    // window closes without asking again only at the desktop's own quit: a log-out that
    // something else cancelled leaves the next close asking.
    void sessionEnd()
    {
        ProgramRig rig;
        rig.box(0)->setText(QStringLiteral("7"));
        rig.messages.answers = { A::Cancel };
        QCOMPARE(rig.program->sessionEnding(Interaction::Allowed), SessionEndAnswer::Cancel);
        QCOMPARE(rig.onDisk(), CompleteSettings);
        QCOMPARE(rig.program->sessionEnding(Interaction::NotAllowed), SessionEndAnswer::Proceed);
        QVERIFY(rig.onDisk().contains("\r\n 7:moving minutes\r\n"));
        rig.messages.answers = { A::Cancel };
        QVERIFY(!rig.window().close());
        QCOMPARE(rig.messages.shown.size(), 2);
        QCOMPARE(rig.program->sessionEnding(Interaction::NotAllowed), SessionEndAnswer::Proceed);
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        QVERIFY(!rig.window().isVisible());
        QCOMPARE(rig.messages.shown.size(), 2);
    }

    // A short session as the log records it: each command's row before the rows of what it
    // caused, with the count shown when it was given. The screen is kept awake from each
    // START, through pause and resume, until RESET or the end.
    void sessionRecord()
    {
        FakeDesktop desktop({ ScreenSaverPath });
        ProgramRig rig(CompleteSettings,
                       QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"program"_qs));
        const auto click = [&](Control c, Qt::KeyboardModifiers m = {}) {
            QTest::mouseClick(rig.button(c), Qt::LeftButton, m);
        };
        click(Control::Start);
        QTRY_COMPARE(desktop.calls.size(), 1); // the screen is held once the desktop answers
        rig.clock().tick();
        rig.clock().tick();
        click(Control::TrimUpTen, ShiftCtrl);
        rig.program->setSoundMissing(Presence::Present);
        QCOMPARE(rig.label(Label::Status)->text(), QStringLiteral("移動中です  「音声なし」"));
        click(Control::Pause);
        rig.program->setSoundMissing(Presence::Absent);
        click(Control::Resume);
        click(Control::SkipFive, ShiftCtrl);
        click(Control::SkipToNext, Shift);
        rig.clock().tick(); // 0:10 of Moving: the Reading cue
        click(Control::Pause);
        // A call after the clicks on the same connection arrives after anything they sent.
        QDBusConnection(u"program"_qs)
            .send(QDBusMessage::createMethodCall(u"org.freedesktop.ScreenSaver"_qs, ScreenSaverPath,
                                                 u"org.freedesktop.ScreenSaver"_qs,
                                                 u"GetActive"_qs));
        QTRY_COMPARE(desktop.calls,
                     QStringList({ "ScreenSaver.Inhibit", "ScreenSaver.GetActive" }));
        click(Control::Reset, Shift);
        click(Control::Start);
        QTRY_COMPARE(desktop.calls.size(), 4);
        rig.messages.answers = { A::Cancel, A::Ok };
        QVERIFY(!rig.window().close());
        QVERIFY(rig.window().close());
        rig.program.reset(); // writes the last rows
        QTRY_COMPARE(desktop.calls.mid(2),
                     QStringList({ "ScreenSaver.UnInhibit 41", "ScreenSaver.Inhibit",
                                   "ScreenSaver.UnInhibit 44" }));
        QFile file(rig.dir.filePath(logFileName(QDate::currentDate())));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString log = QString::fromUtf8(file.readAll()).replace(rig.dir.path(), u"DIR"_qs);
        static const QRegularExpression time(u"^[^,]*,"_qs, QRegularExpression::MultilineOption);
        QCOMPARE(log.remove(time).split(u"\r\n"_qs).mid(1),
                 uR"(起動,リセットされました,0:00,設定ファイルを読みました
START,リセットされました,0:00,移動 1:00 読む 1:00 試験 5:00 評価 1:00 間隔 999 ms
フェーズ開始,移動中です,0:00,
間隔調整,移動中です,0:58,999 ms → 1009 ms
音声出力の喪失,移動中です,0:58,
一時停止,移動中です,0:58,
音声出力の回復,移動中です,0:58,
再開,移動中です,0:58,
5sec >>,移動中です,0:58,
Skip to NEXT,移動中です,0:58,
音声,移動中です,0:10,yomu.wav (内蔵)
一時停止,移動中です,0:10,
RESET,移動中です,0:10,
START,リセットされました,0:00,移動 1:00 読む 1:00 試験 5:00 評価 1:00 間隔 1009 ms
フェーズ開始,移動中です,0:00,
終了確認,移動中です,0:00,
終了確認の答え,移動中です,0:00,キャンセル
終了確認,移動中です,0:00,
終了確認の答え,移動中です,0:00,OK
設定保存,移動中です,0:00,保存しました: DIR/setting.txt
終了,移動中です,0:00,
)"_qs.split(u'\n'));
    }
};

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
