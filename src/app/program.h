#pragma once

#include "awake/screenawake.h"
#include "circuit/roomrole.h"
#include "clock/examclock.h"
#include "examlog/clocklog.h"
#include "restart/restartquestion.h"
#include "restart/statekeeper.h"
#include "settings/settingsfile.h"
#include "web/webdoors.h"
#include "window/form1.h"
#include "window/messages.h"

#include <QObject>
#include <memory>

namespace zentrel {

// What the program is run with; main() gives the real ones, tests give fakes.
struct ProgramParts
{
    TickDrive ticks;
    MessagePresenter &messages;
    QString folder; // where setting.txt is read and written
    QString logFolder; // the session log's; empty: SessionLog::defaultFolder()
    // Where the screen is kept awake while a phase is on.
    QDBusConnection bus = QDBusConnection::sessionBus();
    ClockLog::CueCheck cueCheck = {}; // where a due cue comes from and why it is not heard
    RoomLink rooms = {}; // alone, or leading or following a circuit of rooms
    WebDoors *web = nullptr; // where browsers are shown the clock; none without --web
    RestartAsker *restart = nullptr; // asks after an abnormal end; none: a RestartBox
};

// Whether the desktop lets the program ask the operator while the session ends.
enum class Interaction { Allowed, NotAllowed };
enum class SessionEndAnswer { Proceed, Cancel };

// One exam session: the clock, its settings file, the window that shows it, and this room's
// part in a circuit. Settings enter at start-up as one value and leave at exit as one value;
// everything that shows, logs or sends the clock listens to its one signal.
class Program : public QObject
{
    Q_OBJECT

public:
    explicit Program(ProgramParts parts, QObject *parent = nullptr);
    ~Program() override; // the log's last row; the screen may sleep again

    // Reads the settings (with a notice when they are missing or faulty) and leaves the
    // clock idle; call once before the window is first shown. After an abnormal end mid-phase
    // it then asks where to go on (comeBack()).
    void startUp();

    Form1 &window() { return m_form; }
    ExamClock &clock() { return m_clock; }
    const RoomRole &role() const { return *m_role; }
    // Whether any sound output can be reached: marked on the status line and logged.
    void setSoundMissing(Presence missing);

    // The exit question and the save; false keeps the window open.
    bool mayClose();
    // Logging out or shutting down: as a close where the operator may be asked; otherwise
    // the boxes are saved as OK would save them, and a bad box leaves the file as it was.
    // The program ends only when the session does: a log-out cancelled elsewhere leaves it
    // as it was, and the next close asks again.
    SessionEndAnswer sessionEnding(Interaction interaction);

Q_SIGNALS:
    // The program cannot go on (another timer leads the circuit); the reason has been shown.
    void quitRequested(int exitStatus);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MessageAnswer ask(const QString &text, MessageButtons buttons);
    void onStart();
    bool confirmExit();
    QString saveBoxes(); // the failure to show; empty once saved
    void showRole();
    void refuse(const QString &reason);
    QString aboutBoxText() const;
    void showOnWeb(Cue cue);
    void comeBack();

    ProgramParts m_parts;
    SessionLog m_log;
    Form1 m_form;
    ExamClock m_clock;
    ClockLog m_clockLog;
    SettingsFile m_settings;
    ScreenAwake m_awake;
    std::unique_ptr<RoomRole> m_role;
    std::unique_ptr<StateKeeper> m_kept; // none in a following room
    AtEnd m_keptAtEnd = AtEnd::Remove; // Keep: a signal came while the question was open
    bool m_exitConfirmed = false; // the window may close without asking
    bool m_sessionEndConfirmed = false; // a session end was answered OK; its quit may close
    StatusMarkSet m_marks {}; // as the window and the pages show them
    int m_doorCount = 0; // pages holding a socket
    std::array<int, 2> m_shownCount {}; // minutes and seconds as the window shows them
    QString m_logProblem;
};

} // namespace zentrel
