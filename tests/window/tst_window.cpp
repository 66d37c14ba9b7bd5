#include "programrig.h"

#include "window/texts.h"

#include <QApplication>
#include <QTest>

using namespace zentrel;

Q_DECLARE_METATYPE(zentrel::Control)
Q_DECLARE_METATYPE(zentrel::Interaction)
Q_DECLARE_METATYPE(zentrel::SessionEndAnswer)

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
} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutAsDesigned_data();
    void layoutAsDesigned();
    void tabOrderAndStacking();
    void startUp_data();
    void startUp();
    void enabledFlagsAfterCommands_data();
    void enabledFlagsAfterCommands();
    void releaseGestures_data();
    void releaseGestures();
    void keyboardClicksOnlyTheClickButtons();
    void refusalAndAboutMessages();
    void statusAndBarPerPhase_data();
    void statusAndBarPerPhase();
    void exit_data();
    void exit();
    void unwritableFileAtExit();
    void statusMarks();
    void sessionEnd_data();
    void sessionEnd();
    void fullScreenScalesTheDesign_data();
    void fullScreenScalesTheDesign();
    void screenModeKeys();
};

// Places, kinds and captions as designed, checked against the design's own numbers.
void WindowTest::layoutAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");

    QTest::newRow("status line") << "Label1" << QRect(0, 96, 793, 49) << "QLabel"
                                 << "★ スクリーンセーバ を OFF にして下さい ！！" << 35;
    QTest::newRow("minutes") << "Label3" << QRect(8, 184, 265, 241) << "QLabel"
                             << "0" << 267;
    QTest::newRow("seconds") << "Label5" << QRect(416, 184, 273, 249) << "QLabel"
                             << "0" << 267;
    QTest::newRow("interval") << "Label15" << QRect(416, 483, 41, 17) << "QLabel"
                              << "999" << 11;
    QTest::newRow("START") << "Command1" << QRect(8, 16, 137, 41) << "QPushButton"
                           << "START" << 27;
    QTest::newRow("5sec") << "Command5" << QRect(192, 480, 73, 17) << "QPushButton"
                          << "5sec >>" << 11;
    QTest::newRow("++") << "Command9" << QRect(488, 480, 25, 17) << "QPushButton"
                        << "++" << 11;
    QTest::newRow("Text8") << "Text8" << QRect(96, 552, 25, 18) << "QLineEdit"
                           << "0" << 11;
}

void WindowTest::layoutAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);

    ProgramRig rig;
    QCOMPARE(rig.window().windowTitle(), QStringLiteral("Zentrel Timer (800*600)  Ver.1.0.0"));
    QCOMPARE(rig.window().size(), QSize(800, 574));
    QCOMPARE(rig.window().minimumSize(), rig.window().maximumSize());
    QWidget *w = byName(rig.window(), qPrintable(name));
    QVERIFY(w);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), kind);
    QCOMPARE(w->property("text").toString(), text);
    QCOMPARE(w->font().pixelSize(), pixelSize);
}

void WindowTest::tabOrderAndStacking()
{
    ProgramRig rig;
    QWidget *start = rig.button(Control::Start);
    QCOMPARE(rig.window().focusWidget(), start);
    QStringList visited;
    for (QWidget *w = start; visited.size() < 19; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus && rig.window().isAncestorOf(w))
            visited << w->objectName();
    }
    QCOMPARE(
        visited,
        QStringList({ "Command1", "Command2", "Command3", "Command4", "Text1", "Text2", "Text3",
                      "Text4", "Text5", "Text6", "Text7", "Text8", "Command5", "Command6",
                      "Command7", "Command8", "Command9", "Command10", "Command11" }));
    // The read-outs stand in front of the bar; every button in front of every label.
    const QObjectList order = rig.window().children();
    auto at = [&](const char *name) {
        return order.indexOf(byName(rig.window(), name));
    };
    QVERIFY(at("Label3") > at("Label2") && at("Label5") > at("Label2"));
    QVERIFY(at("Command1") > at("Label17"));
}

// Start-up from the file: the notice, the boxes, the interval, and the idle window.
void WindowTest::startUp_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("notice"); // its first line; empty for none
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QStringList>("boxes");

    const QStringList read { "2", "30", "3", "0", "10", "0", "1", "5" };
    const QStringList defaults { "1", "0", "1", "0", "5", "0", "1", "0" };
    QTest::newRow("complete") << fileWith(" 990") << ""
                              << "990" << read;
    QTest::newRow("no file") << QByteArray() << "設定ファイルが見つかりません。"
                             << "999" << defaults;
    QTest::newRow("END in capitals")
        << fileWith(" 990", "END") << "設定ファイル最終行に end が指定されていません。"
        << "990" << read;
    QTest::newRow("a bad field") << fileWith("abcd") << "設定ファイルの記述が正しくありません。"
                                 << "999" << read;
}

void WindowTest::startUp()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, notice);
    QFETCH(QString, interval);
    QFETCH(QStringList, boxes);

    ProgramRig rig(file);
    QCOMPARE(rig.messages.shown.isEmpty(), notice.isEmpty());
    if (!notice.isEmpty()) {
        QCOMPARE(rig.messages.shown.first().section(u'\n', 0, 0), notice);
        QCOMPARE(rig.messages.buttons.first(), MessageButtons::OkCancelOkDefault);
    }
    QCOMPARE(rig.label(Label::TickInterval)->text(), interval);
    QCOMPARE(rig.out.interval, interval.toInt());
    QCOMPARE(rig.boxes(), boxes);
    QCOMPARE(rig.label(Label::Status)->text(),
             QStringLiteral("★ スクリーンセーバ を OFF にして下さい ！！"));
    QCOMPARE(enabledFlags(rig), QStringLiteral("1000001111111111111"));
    QVERIFY(!rig.out.running);
}

void WindowTest::enabledFlagsAfterCommands_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("flags");

    QTest::newRow("START") << QStringList { "Command1" } << "0100110000000001111";
    QTest::newRow("pause") << QStringList { "Command1", "Command2" } << "0011001000000001111";
    QTest::newRow("resume") << QStringList { "Command1", "Command2", "Command3" }
                            << "0100110000000001111";
    QTest::newRow("RESET") << QStringList { "Command1", "Command2", "RESET" }
                           << "1000001111111111111";
    QTest::newRow("refused START")
        << QStringList { "bad box", "Command1" } << "1000001111111111111";
}

void WindowTest::enabledFlagsAfterCommands()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, flags);

    ProgramRig rig;
    for (const QString &click : clicks) {
        if (click == "bad box")
            rig.box(1)->setText(QStringLiteral("61"));
        else if (click == "RESET")
            QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Qt::ShiftModifier);
        else
            QTest::mouseClick(byName(rig.window(), qPrintable(click)), Qt::LeftButton);
    }
    QCOMPARE(enabledFlags(rig), flags);
}

// Real mouse releases on the window's buttons while Moving runs at 0:58 (paused for RESET).
void WindowTest::releaseGestures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("at"); // where the button is released, in its own pixels
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("seconds"); // shown after the next tick, or after RESET

    const int shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    QTest::newRow("--") << "Command6" << shiftCtrl << QPoint(5, 5) << "989"
                        << "57";
    QTest::newRow("-") << "Command7" << shiftCtrl << QPoint(5, 5) << "998"
                       << "57";
    QTest::newRow("+") << "Command8" << shiftCtrl << QPoint(5, 5) << "1000"
                       << "57";
    QTest::newRow("++") << "Command9" << shiftCtrl << QPoint(5, 5) << "1009"
                        << "57";
    QTest::newRow("5sec >>") << "Command5" << shiftCtrl << QPoint(5, 5) << "999"
                             << "52";
    QTest::newRow("Skip to NEXT") << "Command10" << int(Qt::ShiftModifier) << QPoint(5, 5) << "999"
                                  << "10";
    QTest::newRow("RESET") << "Command4" << int(Qt::ShiftModifier) << QPoint(5, 5) << "999"
                           << "0";
    QTest::newRow("dragged off before the release")
        << "Command10" << int(Qt::ShiftModifier) << QPoint(-5, -5) << "999"
        << "57";
    QTest::newRow("plain release") << "Command9" << 0 << QPoint(5, 5) << "999"
                                   << "57";
}

void WindowTest::releaseGestures()
{
    QFETCH(QString, name);
    QFETCH(int, modifiers);
    QFETCH(QPoint, at);
    QFETCH(QString, interval);
    QFETCH(QString, seconds);

    ProgramRig rig;
    QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
    rig.clock().tick();
    rig.clock().tick();
    if (name == "Command4")
        QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
    QTest::mouseRelease(byName(rig.window(), qPrintable(name)), Qt::LeftButton,
                        Qt::KeyboardModifiers(modifiers), at);
    QCOMPARE(rig.label(Label::TickInterval)->text(), interval);
    if (rig.clock().operatingState() == OperatingState::Running)
        rig.clock().tick();
    QCOMPARE(rig.label(Label::Seconds)->text(), seconds);
    QVERIFY(rig.messages.shown.isEmpty());
}

void WindowTest::keyboardClicksOnlyTheClickButtons()
{
    ProgramRig rig;
    QTest::keyClick(rig.button(Control::Start), Qt::Key_Space);
    QCOMPARE(rig.clock().operatingState(), OperatingState::Running);
    rig.out.take();
    for (Control c :
         { Control::SkipFive, Control::SkipToNext, Control::TrimDownTen, Control::TrimUpTen }) {
        QTest::keyClick(rig.button(c), Qt::Key_Space, Qt::ShiftModifier | Qt::ControlModifier);
        QTest::keyClick(rig.button(c), Qt::Key_Return, Qt::ShiftModifier);
    }
    QCOMPARE(rig.out.take(), QStringList());
    QTest::keyClick(rig.button(Control::Pause), Qt::Key_Return);
    QCOMPARE(rig.clock().operatingState(), OperatingState::Paused);
    QTest::keyClick(rig.button(Control::Reset), Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(rig.clock().operatingState(), OperatingState::Paused);
}

void WindowTest::refusalAndAboutMessages()
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
    QCOMPARE(rig.messages.buttons.last(), MessageButtons::Ok);
}

// The status line and the bar's colour in each phase, from the window's pixels.
void WindowTest::statusAndBarPerPhase_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("paused");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QColor>("colour"); // invalid: the window's own background

    QTest::newRow("reset") << 0 << 0 << "リセットされました" << QColor();
    QTest::newRow("Moving") << 1 << 0 << "移動中です" << QColor(0, 255, 255);
    QTest::newRow("Reading") << 2 << 0 << "問題を読んでいます" << QColor(255, 255, 0);
    QTest::newRow("Examination, paused") << 3 << 1 << "試験中です  (一時停止)" << QColor(255, 0, 0);
    QTest::newRow("Feedback") << 4 << 0 << "フィードバック中です" << QColor(255, 0, 255);
}

void WindowTest::statusAndBarPerPhase()
{
    QFETCH(int, phase);
    QFETCH(int, paused);
    QFETCH(QString, status);
    QFETCH(QColor, colour);

    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, Qt::darkGreen);
    palette.setColor(QPalette::Window, Qt::lightGray);
    QApplication::setPalette(palette);
    ProgramRig rig;
    ClockState s;
    s.Phase = std::uint8_t(phase);
    s.Paused = std::uint8_t(paused);
    rig.clock().adopt(s);
    QCOMPARE(rig.label(Label::Status)->text(), status);
    const QImage shot = rig.window().grab().toImage();
    QApplication::setPalette(QPalette());
    const QColor expected = colour.isValid() ? colour : QColor(Qt::lightGray);
    for (QPoint p : { QPoint(2, 150), QPoint(400, 160), QPoint(790, 450) })
        QCOMPARE(shot.pixelColor(p), expected);
}

// Closing the window: the answers given, the boxes typed, and what is on disk after.
void WindowTest::exit_data()
{
    QTest::addColumn<QStringList>("boxes"); // typed over the first boxes after START
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("saved"); // a line the file holds; empty: the file unchanged
    QTest::addColumn<QString>("asked"); // part of the last question

    using A = MessageAnswer;
    QTest::newRow("Cancel keeps everything") << QStringList { "9" } << QList<A> { A::Cancel }
                                             << false << QByteArray() << "本当に終了しますか？";
    QTest::newRow("OK saves the boxes and the trimmed interval")
        << QStringList { " 75 ", "－３", "100" } << QList<A> { A::Ok } << true
        << QByteArray(
               "\r\n1009:interval of one second\r\n75:moving minutes\r\n-3:moving seconds\r\n"
               "100:reading minutes\r\n")
        << "本当に終了しますか？";
    QTest::newRow("99999 is reported, never saved")
        << QStringList { "99999" } << QList<A> { A::Ok, A::Cancel } << false << QByteArray()
        << "移動時間 の min に入力された「99999」は整数ではありません。";
    QTest::newRow("a bad box, then close without saving")
        << QStringList { "7", "8", "1.5" } << QList<A> { A::Ok, A::Ok } << true << QByteArray()
        << "読む時間 の min に入力された「1.5」";
}

void WindowTest::exit()
{
    QFETCH(QStringList, boxes);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(bool, closed);
    QFETCH(QByteArray, saved);
    QFETCH(QString, asked);

    ProgramRig rig;
    QTest::mouseRelease(rig.button(Control::TrimUpTen), Qt::LeftButton,
                        Qt::ShiftModifier | Qt::ControlModifier);
    QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
    const PhaseLengths started = rig.clock().state().PhaseDurations;
    for (int i = 0; i < boxes.size(); ++i)
        rig.box(std::size_t(i))->setText(boxes[i]);
    rig.messages.answers = answers;

    QCOMPARE(rig.window().close(), closed);
    QVERIFY(rig.messages.shown.last().contains(asked));
    QCOMPARE(rig.messages.buttons.last(), MessageButtons::OkCancelCancelDefault);
    if (saved.isEmpty())
        QCOMPARE(rig.onDisk(), CompleteSettings);
    else
        QVERIFY(rig.onDisk().contains(saved));
    // The running clock keeps the lengths it was started with.
    QVERIFY(rig.clock().state().PhaseDurations == started);
    if (!closed)
        QVERIFY(rig.out.running); // the clock goes on while the window stays
}

// With no file at start-up, the exit creates it; where it cannot be written (a folder of
// that name stands in the way, which holds even for root) the operator is asked.
void WindowTest::unwritableFileAtExit()
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
    QVERIFY(blocked.window().isVisible());
}

// Marks follow the phase's text while a phase is on, and leave the reminder alone.
void WindowTest::statusMarks()
{
    ProgramRig rig;
    Form1 &w = rig.window();
    const QString reminder = rig.label(Label::Status)->text();
    w.setStatusMark(StatusMark::NoSound, Presence::Present);
    QCOMPARE(rig.label(Label::Status)->text(), reminder);
    QTest::mouseClick(rig.button(Control::Start), Qt::LeftButton);
    QCOMPARE(rig.label(Label::Status)->text(), QStringLiteral("移動中です  「音声なし」"));
    QTest::mouseClick(rig.button(Control::Pause), Qt::LeftButton);
    w.setStatusMark(StatusMark::NoSync, Presence::Present);
    w.setStatusMark(StatusMark::NoSound, Presence::Absent);
    QCOMPARE(rig.label(Label::Status)->text(),
             QStringLiteral("移動中です  (一時停止)  「同期なし」"));
}

// Logging out: asked where the desktop allows it, else saved as OK would save.
void WindowTest::sessionEnd_data()
{
    QTest::addColumn<Interaction>("interaction");
    QTest::addColumn<QString>("firstBox");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<SessionEndAnswer>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("saved");

    using A = MessageAnswer;
    const auto allowed = Interaction::Allowed, notAllowed = Interaction::NotAllowed;
    QTest::newRow("asked, Cancel cancels the log-out")
        << allowed << "7" << QList<A> { A::Cancel } << SessionEndAnswer::Cancel << 1 << false;
    QTest::newRow("asked, OK saves")
        << allowed << "7" << QList<A> { A::Ok } << SessionEndAnswer::Proceed << 1 << true;
    QTest::newRow("not asked, saved")
        << notAllowed << "7" << QList<A> {} << SessionEndAnswer::Proceed << 0 << true;
    QTest::newRow("not asked, a bad box leaves the file")
        << notAllowed << "x" << QList<A> {} << SessionEndAnswer::Proceed << 0 << false;
}

void WindowTest::sessionEnd()
{
    QFETCH(Interaction, interaction);
    QFETCH(QString, firstBox);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(SessionEndAnswer, answer);
    QFETCH(int, questions);
    QFETCH(bool, saved);

    ProgramRig rig;
    rig.box(0)->setText(firstBox);
    rig.messages.answers = answers;
    QCOMPARE(rig.program->sessionEnding(interaction), answer);
    QCOMPARE(rig.messages.shown.size(), questions);
    QCOMPARE(rig.onDisk().contains("\r\n 7:moving minutes\r\n"), saved);
    QCOMPARE(rig.onDisk() == CompleteSettings, !saved);
    // Once the session's end is settled, the window closes without asking again.
    if (answer == SessionEndAnswer::Proceed) {
        QVERIFY(rig.window().close());
        QCOMPARE(rig.messages.shown.size(), questions);
    }
}

// At 1920 x 1080 the design is scaled by 1080/574 and centred across: worked out by hand.
void WindowTest::fullScreenScalesTheDesign_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("scaled");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<QRect>("designed");

    QTest::newRow("status") << "Label1" << QRect(207, 181, 1492, 92) << 66 << QRect(0, 96, 793, 49);
    QTest::newRow("minutes") << "Label3" << QRect(222, 346, 499, 454) << 502
                             << QRect(8, 184, 265, 241);
    QTest::newRow("START") << "Command1" << QRect(222, 30, 258, 77) << 51 << QRect(8, 16, 137, 41);
    QTest::newRow("Text8, bottom row")
        << "Text8" << QRect(388, 1039, 47, 33) << 21 << QRect(96, 552, 25, 18);
    QTest::newRow("++") << "Command9" << QRect(1126, 903, 47, 32) << 21 << QRect(488, 480, 25, 17);
}

void WindowTest::fullScreenScalesTheDesign()
{
    QFETCH(QString, name);
    QFETCH(QRect, scaled);
    QFETCH(int, pixelSize);
    QFETCH(QRect, designed);

    ProgramRig rig;
    QWidget *w = byName(rig.window(), qPrintable(name));
    const int designedPixels = w->font().pixelSize();
    rig.window().setScreenMode(ScreenMode::FullScreen);
    QTRY_VERIFY(rig.window().isFullScreen());
    QCoreApplication::processEvents(); // the offscreen screen's own size, first
    rig.window().fitTo(QSize(1920, 1080));
    for (int edge = 0; edge < 4; ++edge) {
        const int got[] { w->x(), w->y(), w->width(), w->height() };
        const int want[] { scaled.x(), scaled.y(), scaled.width(), scaled.height() };
        QVERIFY2(std::abs(got[edge] - want[edge]) <= 1, qPrintable(QString::number(edge)));
    }
    QCOMPARE(w->font().pixelSize(), pixelSize);
    if (auto *label = qobject_cast<QLabel *>(w); label && name == "Label3")
        QVERIFY(label->alignment() & Qt::AlignRight);

    rig.window().setScreenMode(ScreenMode::Window);
    QCOMPARE(w->geometry(), designed);
    QCOMPARE(w->font().pixelSize(), designedPixels);
    QCOMPARE(rig.window().minimumSize(), QSize(800, 574));
    QCOMPARE(rig.window().maximumSize(), QSize(800, 574));
}

// F11 switches either way, Esc only leaves, and a length box keeps its typing.
void WindowTest::screenModeKeys()
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

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
