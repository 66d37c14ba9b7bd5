#pragma once

#include "clock/outlets.h"
#include "controltable.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QScreen;
class QShortcut;

namespace zentrel {

enum class Presence { Absent, Present };
enum class ScreenMode { Window, FullScreen };
// Warnings the status line carries after the phase's text while a phase is on.
enum class StatusMark : std::uint8_t { NoSound, NoSync, Count };
// A following room shows another timer's clock: its clock commands and boxes stay off
// whatever state it shows; the about box stays on.
enum class ClockControls { Operable, Locked };

// The main window: shows what the clock holds and reports the operator's gestures.
class Form1 : public QWidget, public ClockDisplay
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    QLabel *label(Label label) const { return m_labels[static_cast<std::size_t>(label)]; }
    QWidget *control(Control control) const { return m_controls[indexOf(control)]; }

    std::array<QString, 8> lengthTexts() const;
    void showLengths(const PhaseLengths &lengths);
    void showReminder();
    // Asked when the window is about to close; false keeps it open.
    void setCloseGuard(std::function<bool()> mayClose) { m_mayClose = std::move(mayClose); }

    void setStatusMark(StatusMark mark, Presence presence);
    void setClockControls(ClockControls controls);

    void showCount(int minutes, int seconds) override;
    void showPhaseStatus(const ClockState &state) override;
    void showTickInterval(int milliseconds) override;
    void showOperatingState(OperatingState state) override;

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

    std::array<QLabel *, LabelCount> m_labels {};
    std::array<QWidget *, ControlCount> m_controls {};
    std::function<bool()> m_mayClose;
    ScreenMode m_screenMode = ScreenMode::Window;
    QShortcut *m_leaveFullScreen = nullptr;
    QSize m_designSize; // the fixed window size the control table is laid out in
    ClockState m_shownStatus; // the phase and pause the status line shows
    std::array<Presence, std::size_t(StatusMark::Count)> m_marks {};
    ClockControls m_clockControls = ClockControls::Operable;
    OperatingState m_operatingState = OperatingState::Idle;
};

} // namespace zentrel
