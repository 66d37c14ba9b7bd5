#include "windowrig.h"

#include "captions.h"
#include "controltable.h"

#include <QTest>

class Form1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { applyUiFont(); }
    void controlsAsDesigned();
    void windowAndStacking();
    void tabOrder();
    void startUpState();
    void enabledFlagsAfterCommands_data();
    void enabledFlagsAfterCommands();
    void releaseGestures_data();
    void releaseGestures();
    void keyboardClicksOnlyTheClickButtons();
    void refusalAndAboutMessages();
    void countAndStatusShown();
    void barColourPerPhase_data();
    void barColourPerPhase();
};

// Every control stands as designed, with its kind and caption.
void Form1Test::controlsAsDesigned()
{
    WindowRig rig;
    for (const ControlDesign &design : controlTable()) {
        QWidget *w = rig.form.control(QLatin1String(design.name));
        QVERIFY2(w, design.name);
        QCOMPARE(w->geometry(), design.geometry);
        const bool isLabel = qobject_cast<QLabel *>(w), isButton = qobject_cast<QPushButton *>(w);
        QCOMPARE(isLabel, design.kind == ControlKind::Label);
        QCOMPARE(isButton, design.kind == ControlKind::Button);
        if (isButton)
            QCOMPARE(qobject_cast<QPushButton *>(w)->text(), QString::fromUtf8(design.text));
    }
    QCOMPARE(rig.label(4)->text(), QStringLiteral("分"));
    QCOMPARE(rig.button(3)->text(), QStringLiteral("再　開")); // an ideographic space
    for (int n : { 3, 4, 5, 6 })
        QVERIFY(rig.label(n)->alignment() & Qt::AlignRight);
}

void Form1Test::windowAndStacking()
{
    WindowRig rig;
    QCOMPARE(rig.form.windowTitle(), QStringLiteral("Zentrel Timer (800*600)  Ver.1.0.0"));
    QCOMPARE(rig.form.size(), QSize(800, 574));
    QCOMPARE(rig.form.minimumSize(), rig.form.maximumSize());

    // Later labels in front of earlier ones; buttons and boxes in front of every label.
    const QObjectList order = rig.form.children();
    auto at = [&](const char *name) {
        return order.indexOf(rig.form.control(QLatin1String(name)));
    };
    QVERIFY(at("Label3") > at("Label2"));
    QVERIFY(at("Label6") > at("Label5"));
    int lastLabel = -1, firstOther = int(order.size());
    for (const ControlDesign &design : controlTable()) {
        const int i = at(design.name);
        if (design.kind == ControlKind::Label)
            lastLabel = std::max(lastLabel, i);
        else
            firstOther = std::min(firstOther, i);
    }
    QVERIFY(lastLabel < firstOther);
}

void Form1Test::tabOrder()
{
    WindowRig rig;
    rig.button(1)->setFocus();
    QStringList visited;
    for (QWidget *w = rig.button(1); visited.size() < 19; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus && rig.form.isAncestorOf(w))
            visited << w->objectName();
    }
    QCOMPARE(
        visited,
        QStringList({ "Command1", "Command2", "Command3", "Command4", "Text1", "Text2", "Text3",
                      "Text4", "Text5", "Text6", "Text7", "Text8", "Command5", "Command6",
                      "Command7", "Command8", "Command9", "Command10", "Command11" }));
}

void Form1Test::startUpState()
{
    WindowRig rig;
    QCOMPARE(rig.label(1)->text(), QString::fromUtf8(ScreenSaverReminder));
    QCOMPARE(rig.label(3)->text(), QStringLiteral("0"));
    QCOMPARE(rig.label(5)->text(), QStringLiteral("0"));
    QCOMPARE(rig.label(15)->text(), QStringLiteral("999"));
    QStringList boxes;
    for (int n = 1; n <= 8; ++n)
        boxes << rig.box(n)->text();
    QCOMPARE(boxes, QStringList({ "1", "0", "1", "0", "5", "0", "1", "0" }));
    QCOMPARE(rig.label(16)->text().count(u'\n'), 4); // CRs shown as line breaks
    QCOMPARE(rig.label(3)->font().pixelSize(), 267); // 200 points at 96 dpi
    QCOMPARE(rig.label(1)->font().pixelSize(), 35);
    QCOMPARE(rig.form.focusWidget(), rig.button(1));
    QVERIFY(!rig.ticks.m_running);

    // Help captions fit their labels at the program's font.
    for (int n : { 13, 14, 16, 17 }) {
        QLabel *l = rig.label(n);
        const QRect needed = l->fontMetrics().boundingRect(QRect(QPoint(), l->size()),
                                                           int(l->alignment()), l->text());
        QVERIFY2(needed.width() <= l->width() && needed.height() <= l->height(),
                 qPrintable(QStringLiteral("Label%1 needs %2x%3")
                                .arg(n)
                                .arg(needed.width())
                                .arg(needed.height())));
    }
}

// Enabled controls after a series of commands.
void Form1Test::enabledFlagsAfterCommands_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("enabled");

    const QStringList trims { "Command6", "Command7", "Command8", "Command9" };
    const QStringList boxes {
        "Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8"
    };
    const QStringList idle = QStringList { "Command1", "Command11" } + boxes + trims;
    const QStringList running = QStringList { "Command2", "Command5", "Command10" } + trims;
    const QStringList paused = QStringList { "Command3", "Command4", "Command11" } + trims;

    QTest::newRow("start-up") << QStringList {} << idle;
    QTest::newRow("START") << QStringList { "start" } << running;
    QTest::newRow("pause") << QStringList { "start", "pause" } << paused;
    QTest::newRow("resume") << QStringList { "start", "pause", "resume" } << running;
    QTest::newRow("RESET") << QStringList { "start", "pause", "reset" } << idle;
    QTest::newRow("refused START") << QStringList { "badbox", "start" } << idle;
}

void Form1Test::enabledFlagsAfterCommands()
{
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, enabled);

    WindowRig rig;
    for (const QString &c : clicks) {
        if (c == "badbox")
            rig.box(4)->setText(QStringLiteral("61"));
        else if (c == "start")
            QTest::mouseClick(rig.button(1), Qt::LeftButton);
        else if (c == "pause")
            QTest::mouseClick(rig.button(2), Qt::LeftButton);
        else if (c == "resume")
            QTest::mouseClick(rig.button(3), Qt::LeftButton);
        else if (c == "reset")
            QTest::mouseRelease(rig.button(4), Qt::LeftButton, Qt::ShiftModifier);
    }
    QStringList actual;
    for (const ControlDesign &design : controlTable()) {
        QWidget *w = rig.form.control(QLatin1String(design.name));
        if (design.kind != ControlKind::Label && w->isEnabled())
            actual << w->objectName();
    }
    actual.sort();
    enabled.sort();
    QCOMPARE(actual, enabled);
}

// Mouse releases on the release-driven buttons, with the clock running (or paused for RESET).
void Form1Test::releaseGestures_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("acts");

    const Qt::KeyboardModifiers none, shift(Qt::ShiftModifier),
        shiftCtrl(Qt::ShiftModifier | Qt::ControlModifier);
    QTest::newRow("RESET, SHIFT") << 4 << Qt::LeftButton << shift << true;
    QTest::newRow("RESET, SHIFT and Meta")
        << 4 << Qt::LeftButton << (shift | Qt::MetaModifier) << true;
    QTest::newRow("RESET, plain") << 4 << Qt::LeftButton << none << false;
    QTest::newRow("RESET, right button") << 4 << Qt::RightButton << shift << false;
    QTest::newRow("RESET, SHIFT+Ctrl") << 4 << Qt::LeftButton << shiftCtrl << false;
    QTest::newRow("RESET, SHIFT, while running") << -4 << Qt::LeftButton << shift << false;
    QTest::newRow("5sec, SHIFT+Ctrl, while paused") << -5 << Qt::LeftButton << shiftCtrl << false;
    QTest::newRow("5sec, SHIFT+Ctrl") << 5 << Qt::LeftButton << shiftCtrl << true;
    QTest::newRow("5sec, SHIFT alone") << 5 << Qt::LeftButton << shift << false;
    QTest::newRow("5sec, with Alt")
        << 5 << Qt::LeftButton << (shiftCtrl | Qt::AltModifier) << false;
    QTest::newRow("NEXT, SHIFT") << 10 << Qt::LeftButton << shift << true;
    QTest::newRow("NEXT, SHIFT+Ctrl") << 10 << Qt::LeftButton << shiftCtrl << false;
    QTest::newRow("++, SHIFT+Ctrl") << 9 << Qt::LeftButton << shiftCtrl << true;
    QTest::newRow("--, plain") << 6 << Qt::LeftButton << none << false;
}

void Form1Test::releaseGestures()
{
    QFETCH(int, command);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, acts);

    WindowRig rig;
    QTest::mouseClick(rig.button(1), Qt::LeftButton);
    rig.form.clock().state().RemainingMinutes = 3;
    rig.form.clock().state().RemainingSeconds = 40;
    // RESET wants a pause; a negative number asks for the other state.
    if ((std::abs(command) == 4) != (command < 0))
        QTest::mouseClick(rig.button(2), Qt::LeftButton);
    command = std::abs(command);
    rig.log.clear();

    QTest::mouseRelease(rig.button(command), button, modifiers);
    QCOMPARE(!rig.log.isEmpty(), acts);
    QVERIFY(rig.messages.m_shown.isEmpty());

    // Dragged off the button before the release: nothing.
    rig.log.clear();
    if (command != 4 && acts) {
        QTest::mouseRelease(rig.button(command), button, modifiers, QPoint(-5, -5));
        QVERIFY(rig.log.isEmpty());
    }
}

void Form1Test::keyboardClicksOnlyTheClickButtons()
{
    WindowRig rig;
    QTest::keyClick(rig.button(1), Qt::Key_Space);
    QCOMPARE(rig.form.clock().operatingState(), OperatingState::Running);
    rig.log.clear();
    for (int n : { 5, 6, 7, 8, 9, 10 }) {
        QTest::keyClick(rig.button(n), Qt::Key_Space);
        QTest::keyClick(rig.button(n), Qt::Key_Return);
    }
    QVERIFY(rig.log.isEmpty());
    QTest::keyClick(rig.button(2), Qt::Key_Return);
    QCOMPARE(rig.form.clock().operatingState(), OperatingState::Paused);
    QTest::keyClick(rig.button(4), Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(rig.form.clock().operatingState(), OperatingState::Paused);
}

void Form1Test::refusalAndAboutMessages()
{
    WindowRig rig;
    rig.box(2)->setText(QStringLiteral("abc"));
    rig.box(7)->setText(QStringLiteral("99"));
    QTest::mouseClick(rig.button(1), Qt::LeftButton);
    QCOMPARE(rig.messages.m_shown,
             QStringList { QStringLiteral("時間設定が不適切です") }); // one message for two boxes
    QCOMPARE(rig.messages.m_buttons.first(), MessageButtons::Ok);
    QCOMPARE(rig.box(2)->text(), QStringLiteral("abc"));

    QTest::mouseClick(rig.button(11), Qt::LeftButton);
    const QString about = rig.messages.m_shown.last();
    const QStringList lines = about.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines.first(), QStringLiteral(" "));
    QCOMPARE(lines[1], QStringLiteral("Zentrel Timer Version 1.0.0"));
    QCOMPARE(lines.last(), QStringLiteral(" "));
    for (int blank : { 2, 6, 8, 9 })
        QVERIFY(lines[blank].isEmpty());
    for (int credit : { 3, 4, 5, 7, 10 })
        QVERIFY(!lines[credit].trimmed().isEmpty());
}

void Form1Test::countAndStatusShown()
{
    WindowRig rig;
    QTest::mouseClick(rig.button(1), Qt::LeftButton);
    QCOMPARE(rig.label(1)->text(), QStringLiteral("移動中です"));
    QCOMPARE(rig.label(3)->text(), QStringLiteral("0")); // START writes no read-out
    rig.form.onTimer1();
    QCOMPARE(rig.label(3)->text(), QStringLiteral("0"));
    QCOMPARE(rig.label(5)->text(), QStringLiteral("59"));
    QTest::mouseClick(rig.button(2), Qt::LeftButton);
    QCOMPARE(rig.label(1)->text(), QStringLiteral("移動中です  (一時停止)"));
    QTest::mouseRelease(rig.button(4), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(rig.label(1)->text(), QStringLiteral("リセットされました"));
    QCOMPARE(rig.label(5)->text(), QStringLiteral("0"));
}

void Form1Test::barColourPerPhase_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("reset: button face") << 0 << QColor();
    QTest::newRow("Moving: cyan") << 1 << QColor(0, 255, 255);
    QTest::newRow("Reading: yellow") << 2 << QColor(255, 255, 0);
    QTest::newRow("Examination: red") << 3 << QColor(255, 0, 0);
    QTest::newRow("Feedback: magenta") << 4 << QColor(255, 0, 255);
}

void Form1Test::barColourPerPhase()
{
    QFETCH(int, phase);
    QFETCH(QColor, colour);

    WindowRig rig;
    rig.form.clock().state().Phase = std::uint8_t(phase);
    rig.form.clock().ShowPhaseStatus();
    const QImage shot = rig.form.grab().toImage();
    const QColor expected = colour.isValid() ? colour : rig.form.palette().color(QPalette::Button);
    // Bar pixels clear of the digits and units.
    for (QPoint p : { QPoint(2, 150), QPoint(400, 160), QPoint(790, 450) })
        QCOMPARE(shot.pixelColor(p), expected);
    QCOMPARE(shot.pixelColor(796, 300),
             rig.form.palette().color(QPalette::Window)); // right of the bar
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
