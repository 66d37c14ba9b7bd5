#pragma once

#include "awake/screenawake.h"
#include "clock/examclock.h"
#include "examlog/sessionlog.h"
#include "followergates.h"
#include "roomlink.h"
#include "sessionrecorder.h"
#include "settings/settingsfile.h"
#include "window/form1.h"
#include "window/messages.h"

#include <QObject>
#include <memory>

namespace zentrel {

// What the program is run with; main() gives the real ones, tests give fakes.
struct ProgramParts
{
    TickSource &ticks;
    CueOutlet &cues;
    MessagePresenter &messages;
    QString folder; // where setting.txt is read and written
    QString logFolder; // the session log's; empty: SessionLog::defaultFolder()
    // Where the screen is kept awake while a phase is on.
    QDBusConnection bus = QDBusConnection::sessionBus();
    std::function<QString()> soundTrouble = {}; // why a cue cannot be heard now; empty: it can
    RoomLink rooms = {}; // alone, or leading or following a circuit of rooms
};

class LeadingRoom;
class FollowingRoom;

// Whether the desktop lets the program ask the operator while the session ends.
enum class Interaction { Allowed, NotAllowed };
enum class SessionEndAnswer { Proceed, Cancel };

// One exam session: the clock, its settings file and the window that shows it. Settings
// enter at start-up as one value and leave at exit as one value.
class Program : public QObject
{
    Q_OBJECT

public:
    explicit Program(ProgramParts parts, QObject *parent = nullptr);
    ~Program() override; // the log's last row; the screen may sleep again

    // Reads the settings (with a notice when they are missing or faulty) and leaves the
    // clock idle; call once before the window is first shown.
    void startUp();

    Form1 &window() { return m_form; }
    ExamClock &clock() { return m_clock; }
    SessionLog &log() { return m_log; }
    // Whether any sound output can be reached: marked on the status line and logged.
    void setSoundMissing(Presence missing);
    const ScreenAwake &screenAwake() const { return m_awake; }
    const LeadingRoom *leading() const { return m_lead.get(); } // null unless leading
    const FollowingRoom *following() const { return m_follow.get(); } // null unless following

    // The exit question and the save; false keeps the window open.
    bool mayClose();
    // Logging out or shutting down: as a close where the operator may be asked; otherwise
    // the boxes are saved as OK would save them, and a bad box leaves the file as it was.
    SessionEndAnswer sessionEnding(Interaction interaction);

Q_SIGNALS:
    // The program cannot go on (another timer leads the circuit); the reason has been shown.
    void quitRequested(int exitStatus);

private:
    MessageAnswer ask(const QString &text, MessageButtons buttons);
    void onStart();
    QString saveBoxes(); // the failure to show; empty once saved
    void onRelease(Control control, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // Pause or resume, logged as `event` when the clock's state changed.
    void onToggle(void (ExamClock::*command)(), SessionEvent event);
    QString aboutWithLogProblem() const;
    void joinRooms();
    void publishClock(); // a leader's clock after each tick and command
    void refuseToLead(const QString &reason);

    ProgramParts m_parts;
    SessionLog m_log;
    Form1 m_form;
    SessionRecorder m_recorder;
    StandInTicks m_ticks;
    ClockCueGate m_clockCues;
    ExamClock m_clock;
    SettingsFile m_settings;
    bool m_exitConfirmed = false;
    Presence m_soundMissing = Presence::Absent;
    ScreenAwake m_awake;
    QString m_logProblem;
    std::unique_ptr<LeadingRoom> m_lead;
    std::unique_ptr<FollowingRoom> m_follow;
};

} // namespace zentrel
