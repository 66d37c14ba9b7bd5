#include "appversion.h"
#include "programrig.h"
#include "rows.h"

#include <QApplication>

using namespace zentrel;

namespace {
// The enabled flags of every control, in the order of Control.
QString enabledFlags(ProgramRig &rig)
{
    QString flags;
    for (std::size_t i = 0; i < ControlCount; ++i)
        flags += rig.window().control(Control(i))->isEnabled() ? u'1' : u'0';
    return flags;
}

QByteArray fileWith(const char *interval, const char *end = "end")
{
    QByteArray out = QByteArray("\"Setting DATA\r\n") + interval + ":interval of one second\r\n";
    for (const char *l : { " 2", "30", " 3", " 0", "10", " 0", " 1", " 5" })
        out += QByteArray(l) + ":x\r\n";
    return out + end + "\r\n\r\n\"\r\n";
}

bool nearly(const QRect &a, const QRect &b)
{
    return (a.topLeft() - b.topLeft()).manhattanLength() <= 2
        && std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

const char *Reminder = "★ スクリーンセーバ を OFF にして下さい ！！";

// Place, kind, caption and font size as designed, and at 1920 x 1080 in full screen
// (scaled by 1080/574 and centred across: worked out by hand).
struct Design
{
    const char *name, *kind, *text; // the name is the object's
    QRect designed;
    int pixelSize;
    QRect scaled;
    int scaledPixelSize;
};
const Design Designs[] = {
    { "Label1", "QLabel", Reminder, { 0, 96, 793, 49 }, 35, { 207, 181, 1492, 92 }, 66 },
    { "Command9", "QPushButton", "++", { 488, 480, 25, 17 }, 11, { 1126, 903, 47, 32 }, 21 },
    { "Text8", "QLineEdit", "0", { 96, 552, 25, 18 }, 11, { 388, 1039, 47, 33 }, 21 },
};

// Start-up from a file that is not complete: the notice's first line, the interval, the boxes.
struct StartUp
{
    const char *name;
    QByteArray file;
    const char *notice, *interval, *boxes;
};
const StartUp StartUps[] = {
    { "no file", QByteArray(), "設定ファイルが見つかりません。", "999", "1 0 1 0 5 0 1 0" },
    { "END in capitals", fileWith(" 990", "END"), "設定ファイル最終行に end が指定されていません。",
      "990", "2 30 3 0 10 0 1 5" },
    { "a bad field", fileWith("abcd"), "設定ファイルの記述が正しくありません。", "999",
      "2 30 3 0 10 0 1 5" },
};

// The status line and the bar's colour (invalid: the window's own background) per phase.
struct Status
{
    const char *name;
    int phase, paused;
    const char *status;
    QColor colour;
};
const Status Statuses[] = {
    { "reset", 0, 0, "リセットされました", QColor() },
    { "Moving", 1, 0, "移動中です", QColor(0, 255, 255) },
    { "Reading", 2, 0, "問題を読んでいます", QColor(255, 255, 0) },
    { "Examination, paused", 3, 1, "試験中です  (一時停止)", QColor(255, 0, 0) },
    { "Feedback", 4, 0, "フィードバック中です", QColor(255, 0, 255) },
};

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
const Exit Exits[] = {
    { "OK saves the boxes and the trimmed interval", " 75 ,－３,100", { A::Ok }, Saved, "" },
    { "99999 is reported, never saved", "99999", { A::Ok, A::Cancel }, "", "移動時間 の min" },
    { "bad box, closed", "7,8,1.5", { A::Ok, A::Ok }, "", "読む時間 の min に入力された「1.5」" },
};
} // namespace

Q_DECLARE_METATYPE(Design)
Q_DECLARE_METATYPE(StartUp)
Q_DECLARE_METATYPE(Status)
Q_DECLARE_METATYPE(Exit)

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutAsDesigned_data() { addRows(Designs); }
    void layoutAsDesigned()
    {
        QFETCH(Design, row);
        ProgramRig rig;
        Form1 &form = rig.window();
        QCOMPARE(form.windowTitle(),
                 QStringLiteral("Zentrel Timer (800*600)  Ver." ZENTREL_VERSION));
        QWidget *w = form.findChild<QWidget *>(QLatin1String(row.name));
        QCOMPARE(QLatin1String(w->metaObject()->className()), QLatin1String(row.kind));
        QCOMPARE(w->property("text").toString(), QString::fromUtf8(row.text));
        for (ScreenMode mode : { ScreenMode::FullScreen, ScreenMode::Window }) {
            form.setScreenMode(mode);
            const bool full = mode == ScreenMode::FullScreen;
            if (full) {
                QTRY_VERIFY(form.isFullScreen());
                QCoreApplication::processEvents(); // the offscreen screen's own size, first
                form.fitTo(QSize(1920, 1080));
            }
            const QRect want = full ? row.scaled : row.designed;
            if (!full || !nearly(w->geometry(), want)) // scaled rounding may fall either way
                QCOMPARE(w->geometry(), want);
            QCOMPARE(w->font().pixelSize(), full ? row.scaledPixelSize : row.pixelSize);
        }
        QCOMPARE(form.minimumSize(), QSize(800, 574));
        QCOMPARE(form.maximumSize(), QSize(800, 574));
    }

    // F11 switches either way, Esc only leaves, and a length box keeps its typing.
    void screenModeKeys()
    {
        ProgramRig rig;
        Form1 &form = rig.window();
        form.activateWindow(); // the keys belong to the active window
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(form.screenMode(), ScreenMode::Window);
        QTest::keyClick(rig.box(0), Qt::Key_F11);
        QTRY_VERIFY(form.windowState() & Qt::WindowFullScreen);
        QTest::keyClick(&form, Qt::Key_F11);
        QCOMPARE(form.screenMode(), ScreenMode::Window);
        QTest::keyClick(&form, Qt::Key_F11);
        QTest::keyClick(rig.button(Control::Start), Qt::Key_Escape);
        QTRY_VERIFY(!(form.windowState() & Qt::WindowFullScreen));
        QCOMPARE(form.size(), QSize(800, 574));
    }

    void tabOrderAndStacking()
    {
        ProgramRig rig;
        QWidget *start = rig.button(Control::Start);
        QCOMPARE(rig.window().focusWidget(), start);
        QStringList visited;
        for (QWidget *w = start; visited.size() < 19; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus && rig.window().isAncestorOf(w))
                visited << w->objectName();
        }
        QCOMPARE(visited.join(u' '),
                 QStringLiteral("Command1 Command2 Command3 Command4 Text1 Text2 Text3 Text4 "
                                "Text5 Text6 Text7 Text8 Command5 Command6 Command7 Command8 "
                                "Command9 Command10 Command11"));
        // The read-outs stand in front of the bar; every button in front of every label.
        const QObjectList order = rig.window().children();
        auto at = [&](const char *name) {
            return order.indexOf(rig.window().findChild<QWidget *>(QLatin1String(name)));
        };
        QVERIFY(at("Label3") > at("Label2") && at("Label5") > at("Label2"));
        QVERIFY(at("Command1") > at("Label17"));
    }

    void startUp_data() { addRows(StartUps); }
    void startUp()
    {
        QFETCH(StartUp, row);
        ProgramRig rig(row.file);
        QCOMPARE(rig.messages.shown.value(0).section(u'\n', 0, 0), QString::fromUtf8(row.notice));
        QCOMPARE(rig.messages.buttons.value(0), MessageButtons::OkCancelOkDefault);
        QCOMPARE(rig.label(Label::TickInterval)->text(), QLatin1String(row.interval));
        const std::array<QString, 8> boxes = rig.window().lengthTexts();
        QCOMPARE(QStringList(boxes.begin(), boxes.end()).join(u' '), QLatin1String(row.boxes));
    }

    // A release acts over its button only: dragging off first is the operator's way out.
    void releaseActsOverTheButton()
    {
        ProgramRig rig;
        QTest::mouseRelease(rig.button(Control::TrimUpTen), Qt::LeftButton, ShiftCtrl, { -5, -5 });
        QCOMPARE(rig.label(Label::TickInterval)->text(), QStringLiteral("999"));
        QTest::mouseRelease(rig.button(Control::TrimUpTen), Qt::LeftButton, ShiftCtrl, { 5, 5 });
        QCOMPARE(rig.label(Label::TickInterval)->text(), QStringLiteral("1009"));
    }

    // START and pause take SPACE and RETURN; the buttons that act on a release take no key,
    // only the mouse.
    void keyboardAndEnabledFlags()
    {
        ProgramRig rig;
        QCOMPARE(enabledFlags(rig), QStringLiteral("1000001111111111111"));
        QTest::keyClick(rig.button(Control::Start), Qt::Key_Space);
        QCOMPARE(enabledFlags(rig), QStringLiteral("0100110000000001111"));
        rig.out->take();
        for (Control c : { Control::SkipFive, Control::SkipToNext, Control::TrimUpTen }) {
            QTest::keyClick(rig.button(c), Qt::Key_Space, ShiftCtrl);
            QTest::keyClick(rig.button(c), Qt::Key_Return, Shift);
        }
        QCOMPARE(rig.out->take(), QStringList());
        QTest::keyClick(rig.button(Control::Pause), Qt::Key_Return);
        QCOMPARE(enabledFlags(rig), QStringLiteral("0011001000000001111"));
        QTest::keyClick(rig.button(Control::Reset), Qt::Key_Space, Shift);
        QCOMPARE(rig.clock().operatingState(), OperatingState::Paused);
        QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Shift);
        QCOMPARE(enabledFlags(rig), QStringLiteral("1000001111111111111"));
    }

    void refusalAndAboutMessages()
    {
        ProgramRig rig;
        rig.box(1)->setText(QStringLiteral("abc"));
        rig.box(6)->setText(QStringLiteral("99"));
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        QCOMPARE(rig.messages.shown, QStringList { "時間設定が不適切です" }); // one for two boxes
        QCOMPARE(rig.messages.buttons.first(), MessageButtons::Ok);
        QCOMPARE(rig.box(1)->text(), QStringLiteral("abc"));
        QTest::mouseClick(rig.button(Control::About), Qt::LeftButton);
        QCOMPARE(rig.messages.shown.last().section(u'\n', 1, 1),
                 QStringLiteral("Zentrel Timer Version " ZENTREL_VERSION));
    }

    // From the window's pixels, under a palette whose button and window colours differ.
    void statusAndBarPerPhase_data() { addRows(Statuses); }
    void statusAndBarPerPhase()
    {
        QFETCH(Status, row);
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, Qt::darkGreen);
        palette.setColor(QPalette::Window, Qt::lightGray);
        QApplication::setPalette(palette);
        ProgramRig rig;
        ClockState s;
        s.Phase = Phase::Moving;
        rig.clock().adopt(s); // away from the start-up reminder
        s.Phase = Phase(row.phase);
        s.Paused = Pause(row.paused);
        rig.clock().adopt(s);
        QCOMPARE(rig.label(Label::Status)->text(), QString::fromUtf8(row.status));
        const QImage shot = rig.window().grab().toImage();
        QApplication::setPalette(QPalette());
        const QColor expected = row.colour.isValid() ? row.colour : QColor(Qt::lightGray);
        for (QPoint p : { QPoint(2, 150), QPoint(400, 160), QPoint(790, 450) })
            QCOMPARE(shot.pixelColor(p), expected);
    }

    // Marks follow the phase's text while a phase is on, and leave the reminder alone.
    void statusMarks()
    {
        ProgramRig rig;
        rig.program->setSoundMissing(Presence::Present);
        QCOMPARE(rig.label(Label::Status)->text(), QString::fromUtf8(Reminder));
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        QCOMPARE(rig.label(Label::Status)->text(), QStringLiteral("移動中です  「音声なし」"));
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        rig.window().setStatusMark(StatusMark::NoSync, Presence::Present);
        rig.program->setSoundMissing(Presence::Absent);
        QCOMPARE(rig.label(Label::Status)->text(),
                 QStringLiteral("移動中です  (一時停止)  「同期なし」"));
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
        const QString file = rig.dir.filePath(QStringLiteral("setting.txt"));
        QVERIFY(QDir().mkdir(file));
        rig.messages.answers = { A::Ok, A::Cancel };
        QVERIFY(!rig.window().close());
        QVERIFY(rig.messages.shown.last().contains(file));
        QVERIFY(QDir().rmdir(file));
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
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
