#pragma once

#include "clock/clockchange.h"
#include "clock/lengthboxes.h"
#include "controltable.h"
#include "statusline/statusline.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QScreen;
class QShortcut;

namespace zentrel {

enum class ScreenMode { Window, FullScreen };

// The main window: shows what the clock holds and reports the operator's gestures.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    QLabel *label(Label label) const { return m_labels[static_cast<std::size_t>(label)]; }
    QWidget *control(Control control) const { return m_controls[indexOf(control)]; }

    LengthTexts lengthTexts() const;
    void showLengths(const PhaseLengths &lengths);
    void showReminder();
    // Asked when the window is about to close; false keeps it open.
    void setCloseGuard(std::function<bool()> mayClose) { m_mayClose = std::move(mayClose); }

    void setStatusMark(StatusMark mark, Presence presence);
    // The status line as the clock and the marks make it, never the start-up reminder.
    QString statusText(Viewer viewer = Viewer::Room) const
    {
        return statusLine(m_shown, m_marks, viewer);
    }
    // Plain text, whatever it holds: room names come from other machines.
    void setStatusTip(const QString &tip);
    void setClockControls(ClockControls controls);

    // The clock as it stands after a change. The status line is written when the phase or
    // the pause changes, so the start-up reminder stays until then; locked boxes show the
    // clock's lengths.
    void showClock(const ClockChange &change);

    // Full screen scales the whole control table by one factor and centres it; the window
    // mode is the design as it stands. A null screen keeps the window's own.
    void setScreenMode(ScreenMode mode, QScreen *screen = nullptr);
    ScreenMode screenMode() const { return m_screenMode; }
    // Every control at round(offset + scale * its designed rect), its font scaled alike.
    void applyScale(double scale, QPoint offset);
    // The largest scale at which the design fits `area`, centred in it.
    void fitTo(QSize area);

Q_SIGNALS:
    void startClicked();
    void pauseClicked();
    void resumeClicked();
    void aboutClicked();
    // Released over an enabled button that acts on a release.
    void released(zentrel::Control control, Qt::MouseButton button,
                  Qt::KeyboardModifiers modifiers);
    // The seconds read-out has just been written: where a tick becomes visible.
    void secondsShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void connectClicks();
    void addScreenModeKeys();
    void showStatusText();
    void showOperatingState(OperatingState state);

    std::array<QLabel *, LabelCount> m_labels {};
    std::array<QWidget *, ControlCount> m_controls {};
    std::function<bool()> m_mayClose;
    ScreenMode m_screenMode = ScreenMode::Window;
    QShortcut *m_leaveFullScreen = nullptr;
    QSize m_designSize; // the fixed window size the control table is laid out in
    ClockState m_shown; // as the last change left it
    StatusMarkSet m_marks {};
    ClockControls m_clockControls = ClockControls::Operable;
    OperatingState m_operatingState = OperatingState::Idle;
};

} // namespace zentrel
