#include "programrig.h"
#include "rows.h"

#include <QApplication>

using namespace zentrel;

namespace {
QWidget *byName(Form1 &form, const char *name)
{
    return form.findChild<QWidget *>(QLatin1String(name));
}

// The enabled flags of START, pause, resume, RESET, 5sec, NEXT, about, the eight boxes and
// the four trims, as written on the window.
QString enabledFlags(ProgramRig &rig)
{
    QString flags;
    for (const char *name :
         { "Command1", "Command2", "Command3", "Command4", "Command5", "Command10", "Command11",
           "Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Command6",
           "Command7", "Command8", "Command9" })
        flags += byName(rig.window(), name)->isEnabled() ? u'1' : u'0';
    return flags;
}

QByteArray fileWith(const char *interval, const char *end = "end")
{
    QByteArray out = QByteArray("\"Setting DATA\r\n") + interval + ":interval of one second\r\n";
    for (const char *l : { " 2", "30", " 3", " 0", "10", " 0", " 1", " 5" })
        out += QByteArray(l) + ":x\r\n";
    return out + end + "\r\n\r\n\"\r\n";
}

const char *Reminder = "★ スクリーンセーバ を OFF にして下さい ！！";

// Places, kinds, captions and font sizes as designed, and at 1920 x 1080 in full screen
// (scaled by 1080/574 and centred across: worked out by hand).
struct Design
{
    const char *name;
    const char *objectName;
    QRect designed;
    const char *kind;
    const char *text;
    int pixelSize;
    QRect scaled;
    int scaledPixelSize;
};
const Design Designs[] = {
    { "status line",
      "Label1",
      { 0, 96, 793, 49 },
      "QLabel",
      Reminder,
      35,
      { 207, 181, 1492, 92 },
      66 },
    { "minutes", "Label3", { 8, 184, 265, 241 }, "QLabel", "0", 267, { 222, 346, 499, 454 }, 502 },
    { "interval", "Label15", { 416, 483, 41, 17 }, "QLabel", "999", 11, { 990, 909, 77, 32 }, 21 },
    { "START",
      "Command1",
      { 8, 16, 137, 41 },
      "QPushButton",
      "START",
      27,
      { 222, 30, 258, 77 },
      51 },
    { "5sec",
      "Command5",
      { 192, 480, 73, 17 },
      "QPushButton",
      "5sec >>",
      11,
      { 569, 903, 137, 32 },
      21 },
    { "++", "Command9", { 488, 480, 25, 17 }, "QPushButton", "++", 11, { 1126, 903, 47, 32 }, 21 },
    { "Text8, bottom row",
      "Text8",
      { 96, 552, 25, 18 },
      "QLineEdit",
      "0",
      11,
      { 388, 1039, 47, 33 },
      21 },
};

// Start-up from the file: the notice's first line ("" for none), the interval, the boxes.
struct StartUp
{
    const char *name;
    QByteArray file;
    const char *notice;
    const char *interval;
    const char *boxes;
};
const StartUp StartUps[] = {
    { "complete", fileWith(" 990"), "", "990", "2 30 3 0 10 0 1 5" },
    { "no file", QByteArray(), "設定ファイルが見つかりません。", "999", "1 0 1 0 5 0 1 0" },
    { "END in capitals", fileWith(" 990", "END"), "設定ファイル最終行に end が指定されていません。",
      "990", "2 30 3 0 10 0 1 5" },
    { "a bad field", fileWith("abcd"), "設定ファイルの記述が正しくありません。", "999",
      "2 30 3 0 10 0 1 5" },
};

// Clicks (or "RESET", "bad box") and the enabled flags after them.
struct Flags
{
    const char *name;
    const char *clicks;
    const char *flags;
};
const Flags FlagRows[] = {
    { "START", "Command1", "0100110000000001111" },
    { "pause", "Command1 Command2", "0011001000000001111" },
    { "resume", "Command1 Command2 Command3", "0100110000000001111" },
    { "RESET", "Command1 Command2 RESET", "1000001111111111111" },
    { "refused START", "badbox Command1", "1000001111111111111" },
};

// Real mouse releases while Moving runs at 0:58 (paused for RESET): the interval after,
// and the seconds the next tick (or RESET) shows.
struct Release
{
    const char *name;
    const char *objectName;
    int modifiers;
    QPoint at; // where the button is released, in its own pixels
    const char *interval;
    const char *seconds;
};
constexpr int ShiftCtrl = Qt::ShiftModifier | Qt::ControlModifier, Shift = Qt::ShiftModifier;
const Release Releases[] = {
    { "--", "Command6", ShiftCtrl, { 5, 5 }, "989", "57" },
    { "++", "Command9", ShiftCtrl, { 5, 5 }, "1009", "57" },
    { "5sec >>", "Command5", ShiftCtrl, { 5, 5 }, "999", "52" },
    { "Skip to NEXT", "Command10", Shift, { 5, 5 }, "999", "10" },
    { "RESET", "Command4", Shift, { 5, 5 }, "999", "0" },
    { "dragged off before the release", "Command10", Shift, { -5, -5 }, "999", "57" },
    { "plain release", "Command9", 0, { 5, 5 }, "999", "57" },
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

// Closing the window after START: the boxes typed over the first ones, the answers, whether
// it closed, a line the file then holds ("": unchanged), and part of the last question.
using A = MessageAnswer;
struct Exit
{
    const char *name;
    const char *boxes;
    QList<A> answers;
    bool closed;
    const char *saved;
    const char *asked;
};
const Exit Exits[] = {
    { "Cancel keeps everything", "9", { A::Cancel }, false, "", "本当に終了しますか？" },
    { "OK saves the boxes and the trimmed interval",
      " 75 ,－３,100",
      { A::Ok },
      true,
      "\r\n1009:interval of one second\r\n75:moving minutes\r\n-3:moving seconds\r\n100:reading",
      "本当に終了しますか？" },
    { "99999 is reported, never saved",
      "99999",
      { A::Ok, A::Cancel },
      false,
      "",
      "移動時間 の min に入力された「99999」は整数ではありません。" },
    { "a bad box, then close without saving",
      "7,8,1.5",
      { A::Ok, A::Ok },
      true,
      "",
      "読む時間 の min に入力された「1.5」" },
};

// Logging out: asked where the desktop allows it, else saved as OK would save.
struct SessionEnd
{
    const char *name;
    Interaction interaction;
    const char *firstBox;
    QList<A> answers;
    SessionEndAnswer answer;
    int questions;
    bool saved;
};
const SessionEnd SessionEnds[] = {
    { "asked, Cancel cancels the log-out",
      Interaction::Allowed,
      "7",
      { A::Cancel },
      SessionEndAnswer::Cancel,
      1,
      false },
    { "asked, OK saves", Interaction::Allowed, "7", { A::Ok }, SessionEndAnswer::Proceed, 1, true },
    { "not asked, saved", Interaction::NotAllowed, "7", {}, SessionEndAnswer::Proceed, 0, true },
    { "not asked, a bad box leaves the file",
      Interaction::NotAllowed,
      "x",
      {},
      SessionEndAnswer::Proceed,
      0,
      false },
};
} // namespace

Q_DECLARE_METATYPE(Design)
Q_DECLARE_METATYPE(StartUp)
Q_DECLARE_METATYPE(Flags)
Q_DECLARE_METATYPE(Release)
Q_DECLARE_METATYPE(Status)
Q_DECLARE_METATYPE(Exit)
Q_DECLARE_METATYPE(SessionEnd)

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
        QCOMPARE(form.windowTitle(), QStringLiteral("Zentrel Timer (800*600)  Ver.1.0.0"));
        QCOMPARE(form.minimumSize(), QSize(800, 574));
        QCOMPARE(form.maximumSize(), QSize(800, 574));
        QWidget *w = byName(form, row.objectName);
        QCOMPARE(w->geometry(), row.designed);
        QCOMPARE(QLatin1String(w->metaObject()->className()), QLatin1String(row.kind));
        QCOMPARE(w->property("text").toString(), QString::fromUtf8(row.text));
        QCOMPARE(w->font().pixelSize(), row.pixelSize);

        form.setScreenMode(ScreenMode::FullScreen);
        QTRY_VERIFY(form.isFullScreen());
        QCoreApplication::processEvents(); // the offscreen screen's own size, first
        form.fitTo(QSize(1920, 1080));
        const QRect got = w->geometry();
        QVERIFY2((got.topLeft() - row.scaled.topLeft()).manhattanLength() <= 2
                     && std::abs(got.width() - row.scaled.width()) <= 1
                     && std::abs(got.height() - row.scaled.height()) <= 1,
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(got.x())
                                .arg(got.y())
                                .arg(got.width())
                                .arg(got.height())));
        QCOMPARE(w->font().pixelSize(), row.scaledPixelSize);

        form.setScreenMode(ScreenMode::Window);
        QCOMPARE(w->geometry(), row.designed);
        QCOMPARE(w->font().pixelSize(), row.pixelSize);
        QCOMPARE(form.maximumSize(), QSize(800, 574));
    }

    // F11 switches either way, Esc only leaves, and a length box keeps its typing.
    void screenModeKeys()
    {
        ProgramRig rig;
        rig.window().activateWindow(); // the keys belong to the active window
        QVERIFY(QTest::qWaitForWindowActive(&rig.window()));
        QTest::keyClick(&rig.window(), Qt::Key_Escape);
        QCOMPARE(rig.window().screenMode(), ScreenMode::Window);
        QTest::keyClick(rig.box(0), Qt::Key_F11);
        QCOMPARE(rig.window().screenMode(), ScreenMode::FullScreen);
        QTRY_VERIFY(rig.window().windowState() & Qt::WindowFullScreen);
        QTest::keyClick(&rig.window(), Qt::Key_F11);
        QCOMPARE(rig.window().screenMode(), ScreenMode::Window);
        QTest::keyClick(&rig.window(), Qt::Key_F11);
        QTest::keyClick(rig.button(Control::Start), Qt::Key_Escape);
        QCOMPARE(rig.window().screenMode(), ScreenMode::Window);
        QTRY_VERIFY(!(rig.window().windowState() & Qt::WindowFullScreen));
        QCOMPARE(rig.window().size(), QSize(800, 574));
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
            return order.indexOf(byName(rig.window(), name));
        };
        QVERIFY(at("Label3") > at("Label2") && at("Label5") > at("Label2"));
        QVERIFY(at("Command1") > at("Label17"));
    }

    void startUp_data() { addRows(StartUps); }
    void startUp()
    {
        QFETCH(StartUp, row);
        ProgramRig rig(row.file);
        QCOMPARE(rig.messages.shown.isEmpty(), *row.notice == 0);
        if (*row.notice) {
            QCOMPARE(rig.messages.shown.first().section(u'\n', 0, 0),
                     QString::fromUtf8(row.notice));
            QCOMPARE(rig.messages.buttons.first(), MessageButtons::OkCancelOkDefault);
        }
        QCOMPARE(rig.label(Label::TickInterval)->text(), QLatin1String(row.interval));
        QCOMPARE(rig.out.interval, QByteArray(row.interval).toInt());
        QCOMPARE(rig.boxes().join(u' '), QLatin1String(row.boxes));
        QCOMPARE(rig.label(Label::Status)->text(), QString::fromUtf8(Reminder));
        QCOMPARE(enabledFlags(rig), QStringLiteral("1000001111111111111"));
        QVERIFY(!rig.out.running);
    }

    void enabledFlagsAfterCommands_data() { addRows(FlagRows); }
    void enabledFlagsAfterCommands()
    {
        QFETCH(Flags, row);
        ProgramRig rig;
        for (const QString &click : QString::fromLatin1(row.clicks).split(u' ')) {
            if (click == "badbox")
                rig.box(1)->setText(QStringLiteral("61"));
            else if (click == "RESET")
                QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Qt::ShiftModifier);
            else
                QTest::mouseClick(byName(rig.window(), qPrintable(click)), Qt::LeftButton);
        }
        QCOMPARE(enabledFlags(rig), QLatin1String(row.flags));
    }

    void releaseGestures_data() { addRows(Releases); }
    void releaseGestures()
    {
        QFETCH(Release, row);
        ProgramRig rig;
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        rig.clock().tick();
        rig.clock().tick();
        if (QLatin1String(row.objectName) == "Command4")
            QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        QTest::mouseRelease(byName(rig.window(), row.objectName), Qt::LeftButton,
                            Qt::KeyboardModifiers(row.modifiers), row.at);
        QCOMPARE(rig.label(Label::TickInterval)->text(), QLatin1String(row.interval));
        if (rig.clock().operatingState() == OperatingState::Running)
            rig.clock().tick();
        QCOMPARE(rig.label(Label::Seconds)->text(), QLatin1String(row.seconds));
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void keyboardClicksOnlyTheClickButtons()
    {
        ProgramRig rig;
        QTest::keyClick(rig.button(Control::Start), Qt::Key_Space);
        QCOMPARE(rig.clock().operatingState(), OperatingState::Running);
        rig.out.take();
        for (Control c : { Control::SkipFive, Control::SkipToNext, Control::TrimUpTen }) {
            QTest::keyClick(rig.button(c), Qt::Key_Space, Qt::ShiftModifier | Qt::ControlModifier);
            QTest::keyClick(rig.button(c), Qt::Key_Return, Qt::ShiftModifier);
        }
        QCOMPARE(rig.out.take(), QStringList());
        QTest::keyClick(rig.button(Control::Pause), Qt::Key_Return);
        QCOMPARE(rig.clock().operatingState(), OperatingState::Paused);
        QTest::keyClick(rig.button(Control::Reset), Qt::Key_Space, Qt::ShiftModifier);
        QCOMPARE(rig.clock().operatingState(), OperatingState::Paused);
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
        const QStringList lines = rig.messages.shown.last().split(u'\n');
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines[1], QStringLiteral("Zentrel Timer Version 1.0.0"));
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
        s.Phase = std::uint8_t(row.phase);
        s.Paused = std::uint8_t(row.paused);
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
        Form1 &w = rig.window();
        rig.program->setSoundMissing(Presence::Present);
        QCOMPARE(rig.label(Label::Status)->text(), QString::fromUtf8(Reminder));
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        QCOMPARE(rig.label(Label::Status)->text(), QStringLiteral("移動中です  「音声なし」"));
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
        w.setStatusMark(StatusMark::NoSync, Presence::Present);
        rig.program->setSoundMissing(Presence::Absent);
        QCOMPARE(rig.label(Label::Status)->text(),
                 QStringLiteral("移動中です  (一時停止)  「同期なし」"));
    }

    void exit_data() { addRows(Exits); }
    void exit()
    {
        QFETCH(Exit, row);
        ProgramRig rig;
        QTest::mouseRelease(rig.button(Control::TrimUpTen), Qt::LeftButton,
                            Qt::ShiftModifier | Qt::ControlModifier);
        QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
        const PhaseLengths started = rig.clock().state().PhaseDurations;
        const QStringList boxes = QString::fromUtf8(row.boxes).split(u',');
        for (int i = 0; i < boxes.size(); ++i)
            rig.box(std::size_t(i))->setText(boxes[i]);
        rig.messages.answers = row.answers;

        QCOMPARE(rig.window().close(), row.closed);
        QVERIFY(rig.messages.shown.last().contains(QString::fromUtf8(row.asked)));
        QCOMPARE(rig.messages.buttons.last(), MessageButtons::OkCancelCancelDefault);
        if (*row.saved)
            QVERIFY(rig.onDisk().contains(row.saved));
        else
            QCOMPARE(rig.onDisk(), CompleteSettings);
        // The running clock keeps the lengths it was started with, and goes on counting.
        QVERIFY(rig.clock().state().PhaseDurations == started);
        QVERIFY(row.closed || rig.out.running);
    }

    // With no file at start-up, the exit creates it; where it cannot be written (a folder
    // of that name stands in the way, which holds even for root) the operator is asked.
    void unwritableFileAtExit()
    {
        ProgramRig first(QByteArray {});
        QVERIFY(first.window().close());
        QCOMPARE(first.onDisk().size(), 222);

        ProgramRig blocked(QByteArray {});
        QVERIFY(QDir(blocked.dir.path()).mkdir(QStringLiteral("setting.txt")));
        blocked.messages.answers = { MessageAnswer::Ok, MessageAnswer::Cancel };
        QVERIFY(!blocked.window().close());
        QVERIFY(blocked.messages.shown.last().contains(
            blocked.dir.filePath(QStringLiteral("setting.txt"))));
    }

    void sessionEnd_data() { addRows(SessionEnds); }
    void sessionEnd()
    {
        QFETCH(SessionEnd, row);
        ProgramRig rig;
        rig.box(0)->setText(QLatin1String(row.firstBox));
        rig.messages.answers = row.answers;
        QCOMPARE(rig.program->sessionEnding(row.interaction), row.answer);
        QCOMPARE(rig.messages.shown.size(), row.questions);
        QCOMPARE(rig.onDisk().contains("\r\n 7:moving minutes\r\n"), row.saved);
        QCOMPARE(rig.onDisk() == CompleteSettings, !row.saved);
        // Once the session's end is settled, the window closes without asking again.
        if (row.answer == SessionEndAnswer::Proceed) {
            QVERIFY(rig.window().close());
            QCOMPARE(rig.messages.shown.size(), row.questions);
        }
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
