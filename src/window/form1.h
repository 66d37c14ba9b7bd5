#pragma once

#include "clock/examclock.h"
#include "messages.h"
#include "settings/settingsfile.h"

#include <QHash>
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// The outlets the window drives; main() gives the real ones, tests give fakes.
struct WindowOutlets
{
    TickSource &ticks;
    CueOutlet &cues;
    MessagePresenter &messages;
};

// The main window: shows what the clock holds and forwards the operator's gestures to it.
class Form1 : public QWidget, private ClockDisplay
{
    Q_OBJECT

public:
    explicit Form1(WindowOutlets outlets, QWidget *parent = nullptr);

    // Start-up: call once before the window is first shown.
    void load();

    ExamClock &clock() { return m_clock; }
    QWidget *control(const QString &name) const { return m_controls.value(name); }
    QLabel *label(int n) const;
    QPushButton *button(int n) const;
    QLineEdit *box(int n) const;

    void onTimer1() { m_clock.tick(); }

Q_SIGNALS:
    // Label5 has just been written: where a tick becomes visible.
    void secondsShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectClicks();
    void setStartUpFonts();
    void readSettings();
    void fillBoxes();
    std::array<QString, 8> boxTexts() const;
    QWidget *widgetFor(Control control) const;

    void onStart();
    void onAbout();

    // ClockDisplay
    void setMinutesText(const QString &text) override;
    void setSecondsText(const QString &text) override;
    void setStatusText(const QString &text) override;
    void setBarColour(std::uint32_t colour) override;
    void setIntervalText(const QString &text) override;
    void setOperatingState(OperatingState state) override;

    WindowOutlets m_outlets;
    ExamClock m_clock;
    SettingsFile m_settings;
    QHash<QString, QWidget *> m_controls;
    QHash<const QObject *, Control> m_releaseControls; // RESET, the skips, the trims
    QString m_messageText;
};
