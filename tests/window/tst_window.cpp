#include "programrig.h"
#include "rows.h"

#include <QApplication>
#include <QSignalSpy>

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

// Within a pixel or two: scaled edges may round either way.
bool nearly(const QRect &a, const QRect &b)
{
    return (a.topLeft() - b.topLeft()).manhattanLength() <= 2
        && std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

const char *Reminder = "★ スクリーンセーバ を OFF にして下さい ！！";

// The status line and the bar's colour (invalid: the window's own background) per phase
// (-1: as started), with both marks on.
struct Status
{
    const char *name;
    int phase, paused;
    const char *status;
    QColor colour;
};
// clang-format off
const Status Statuses[] = {
    { "the reminder at start-up, no marks", -1, 0, Reminder, QColor() },
    { "reset, no marks", 0, 0, "リセットされました", QColor() },
    { "Examination, paused", 3, 1, "試験中です  (一時停止)  「音声なし」  「同期なし」", QColor(255, 0, 0) },
};
// clang-format on
} // namespace

Q_DECLARE_METATYPE(Status)

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // F11 enters full screen from a length box too, which scales the design by one factor,
    // fonts too, and centres it (at 1920 x 1080 by 1080/574: worked out by hand); Esc leaves
    // it, and the window mode is the design again.
    void fullScreen()
    {
        ProgramRig rig;
        Form1 &form = rig.window();
        QWidget *label1 = form.findChild<QWidget *>(u"Label1"_qs);
        QWidget *text8 = form.findChild<QWidget *>(u"Text8"_qs);
        const QRect designed = label1->geometry();
        form.activateWindow(); // the keys belong to the active window
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(rig.box(0), Qt::Key_F11);
        QTRY_VERIFY(form.isFullScreen());
        QCoreApplication::processEvents(); // the offscreen screen's own size, first
        form.fitTo(QSize(1920, 1080));
        QVERIFY(nearly(label1->geometry(), { 207, 181, 1492, 92 }));
        QVERIFY(nearly(text8->geometry(), { 388, 1039, 47, 33 }));
        QCOMPARE(label1->font().pixelSize(), 66);
        QTest::keyClick(rig.button(Control::Start), Qt::Key_Escape);
        QTRY_VERIFY(!(form.windowState() & Qt::WindowFullScreen));
        QCOMPARE(form.screenMode(), ScreenMode::Window);
        QCOMPARE(label1->geometry(), designed);
        QCOMPARE(label1->font().pixelSize(), 35);
        QCOMPARE(form.size(), QSize(800, 574));
    }

    // The read-outs stand in front of the bar, every button in front of every label. START
    // has the focus; it and pause take SPACE and RETURN; the buttons that act on a release
    // take no key, only the mouse, and only over the button (tst_program's exit saves what a
    // release over "++" did): dragging off first is the operator's way out.
    void controls()
    {
        ProgramRig rig;
        const QObjectList order = rig.window().children();
        auto at = [&](const char *name) {
            return order.indexOf(rig.window().findChild<QWidget *>(QLatin1String(name)));
        };
        QVERIFY(at("Label3") > at("Label2") && at("Label5") > at("Label2"));
        QVERIFY(at("Command1") > at("Label17"));
        QCOMPARE(rig.window().focusWidget(), rig.button(Control::Start));
        QTest::mouseRelease(rig.button(Control::TrimUpTen), Qt::LeftButton, ShiftCtrl, { -5, -5 });
        QCOMPARE(rig.label(Label::TickInterval)->text(), QStringLiteral("999"));
        QCOMPARE(enabledFlags(rig), QStringLiteral("1000001111111111111"));
        QTest::keyClick(rig.button(Control::Start), Qt::Key_Space);
        QCOMPARE(enabledFlags(rig), QStringLiteral("0100110000000001111"));
        const QSignalSpy changes(&rig.clock(), &ExamClock::changed);
        for (Control c : { Control::SkipFive, Control::SkipToNext, Control::TrimUpTen }) {
            QTest::keyClick(rig.button(c), Qt::Key_Space, ShiftCtrl);
            QTest::keyClick(rig.button(c), Qt::Key_Return, Shift);
        }
        QCOMPARE(changes.count(), 0);
        QTest::keyClick(rig.button(Control::Pause), Qt::Key_Return);
        QCOMPARE(enabledFlags(rig), QStringLiteral("0011001000000001111"));
        QTest::keyClick(rig.button(Control::Reset), Qt::Key_Space, Shift);
        QCOMPARE(rig.clock().operatingState(), OperatingState::Paused);
        QTest::mouseRelease(rig.button(Control::Reset), Qt::LeftButton, Shift);
        QCOMPARE(enabledFlags(rig), QStringLiteral("1000001111111111111"));
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
        rig.window().setStatusMark(StatusMark::NoSound, Presence::Present);
        if (row.phase >= 0) {
            ClockState s;
            s.Phase = Phase::Moving;
            rig.clock().adopt(s); // away from the start-up reminder
            s.Phase = Phase(row.phase);
            s.Paused = Pause(row.paused);
            rig.clock().adopt(s);
        }
        rig.window().setStatusMark(StatusMark::NoSync, Presence::Present);
        QCOMPARE(rig.label(Label::Status)->text(), QString::fromUtf8(row.status));
        // The doors show no reminder, and name the room's own sound trouble as the room's.
        QCOMPARE(rig.window().statusText(Viewer::Door),
                 row.phase < 0 ? u"リセットされました"_qs
                               : QString::fromUtf8(row.status)
                                     .replace(u"「音声なし」"_qs, u"「音声なし（部屋）」"_qs));
        const QImage shot = rig.window().grab().toImage();
        QApplication::setPalette(QPalette());
        const QColor expected = row.colour.isValid() ? row.colour : QColor(Qt::lightGray);
        for (QPoint p : { QPoint(2, 150), QPoint(400, 160), QPoint(790, 450) })
            QCOMPARE(shot.pixelColor(p), expected);
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
