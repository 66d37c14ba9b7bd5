#include "program.h"

#include "followingroom.h"
#include "leadingroom.h"
#include "roomclock.h"
#include "window/texts.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>

namespace zentrel {

Program::Program(ProgramParts parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_log(parts.logFolder)
    , m_recorder(m_log, m_form, parts.cues, parts.soundTrouble)
    , m_ticks(parts.ticks)
    , m_clockCues(m_recorder)
    , m_clock(m_ticks, m_clockCues, m_recorder)
    , m_settings(parts.folder)
    , m_awake(parts.bus)
{
    // Awake while a phase is on, running or paused.
    m_recorder.setOperatingStateWatcher([this](OperatingState state) {
        if (state == OperatingState::Idle)
            m_awake.release();
        else
            m_awake.hold();
    });
    connect(&m_log, &SessionLog::unwritable, this,
            [this](const QString &reason) { m_logProblem = reason; });
    connect(&m_form, &Form1::aboutClicked, this,
            [this] { ask(aboutWithLogProblem(), MessageButtons::Ok); });
    m_form.setCloseGuard([this] { return mayClose(); });
    joinRooms();
    // A following room's clock is the leader's: no command of its own reaches it.
    if (m_follow)
        return;
    connect(&m_form, &Form1::startClicked, this, &Program::onStart);
    connect(&m_form, &Form1::pauseClicked, this,
            [this] { onToggle(&ExamClock::pause, SessionEvent::Pause); });
    connect(&m_form, &Form1::resumeClicked, this,
            [this] { onToggle(&ExamClock::resume, SessionEvent::Resume); });
    connect(&m_form, &Form1::released, this, &Program::onRelease);
}

void Program::joinRooms()
{
    const RoomLink &rooms = m_parts.rooms;
    if (rooms.role == RoomRole::Lead) {
        m_lead
            = std::make_unique<LeadingRoom>(rooms.login, m_recorder, *m_form.label(Label::Status));
        connect(m_lead.get(), &LeadingRoom::refused, this, &Program::refuseToLead);
        m_recorder.setCountWatcher([this] { publishClock(); });
    } else if (rooms.role == RoomRole::Follow) {
        m_follow = std::make_unique<FollowingRoom>(
            rooms.login, rooms.room, FollowingRoom::Parts { m_clock, m_ticks, m_recorder, m_form });
        m_recorder.setCountWatcher([this] { m_follow->onCountShown(); });
        m_clockCues.setPlays(ClockCuePlays::Held);
        m_form.setClockControls(ClockControls::Locked);
    }
}

void Program::publishClock()
{
    if (m_lead)
        m_lead->publish(snapshotOf(m_clock.state(),
                                   m_ticks.isRunning() ? TimerRun::Running : TimerRun::Stopped));
}

void Program::refuseToLead(const QString &reason)
{
    m_exitConfirmed = true; // ends without the exit question
    if (m_form.isVisible())
        ask(reason, MessageButtons::Ok);
    else
        std::fprintf(stderr, "zentrel-timer: %s\n", qUtf8Printable(reason));
    Q_EMIT quitRequested(EXIT_FAILURE);
}

Program::~Program()
{
    m_awake.release();
    m_recorder.record(SessionEvent::ProgramEnd);
}

void Program::startUp()
{
    const SettingsRead read = m_settings.read();
    m_recorder.record(SessionEvent::ProgramStart, settingsOutcomeText(read.outcome));
    if (read.outcome != SettingsReadOutcome::Complete)
        ask(startUpNotice(read.outcome), MessageButtons::OkCancelOkDefault);
    m_clock.startUp(read.settings);
    m_form.showLengths(read.settings.PhaseDurations);
    m_form.showReminder();
    m_form.control(Control::Start)->setFocus();
    if (m_lead) {
        m_lead->start();
        publishClock();
    }
    if (m_follow)
        m_follow->start();
}

// The clock is not stopped: ticks go on while the questions wait.
bool Program::mayClose()
{
    if (m_exitConfirmed)
        return true;
    m_recorder.record(SessionEvent::ExitAsked);
    const bool leave = ask(QString::fromUtf8(ExitQuestion), MessageButtons::OkCancelCancelDefault)
        == MessageAnswer::Ok;
    m_recorder.record(SessionEvent::ExitAnswered,
                      leave ? QStringLiteral("OK") : QStringLiteral("キャンセル"));
    if (!leave)
        return false;
    // The boxes of a following room hold the leader's lengths, not this room's settings.
    if (m_follow)
        return m_exitConfirmed = true;
    const QString failure = saveBoxes();
    m_exitConfirmed = failure.isEmpty()
        || ask(failure, MessageButtons::OkCancelCancelDefault) == MessageAnswer::Ok;
    return m_exitConfirmed;
}

SessionEndAnswer Program::sessionEnding(Interaction interaction)
{
    if (interaction == Interaction::Allowed)
        return mayClose() ? SessionEndAnswer::Proceed : SessionEndAnswer::Cancel;
    if (!m_exitConfirmed && !m_follow)
        saveBoxes();
    m_exitConfirmed = true;
    return SessionEndAnswer::Proceed;
}

// The boxes' values go into a copy: the running clock keeps its own lengths, since the
// window may yet stay open.
QString Program::saveBoxes()
{
    const std::array<QString, 8> texts = m_form.lengthTexts();
    const BoxLengths boxes = readLengthBoxes(texts);
    SaveResult saved;
    QString failure;
    if (boxes.badBox >= 0) {
        saved.path = QDir(m_parts.folder).filePath(QLatin1String(SettingsFileName));
        failure = badBoxMessage(std::size_t(boxes.badBox), texts[std::size_t(boxes.badBox)]);
    } else {
        saved = m_settings.write({ m_clock.state().TickIntervalMs, boxes.lengths });
        if (saved.status == SaveStatus::Failed)
            failure = saveFailedMessage(saved);
    }
    m_recorder.record(SessionEvent::Save, saveDetail(saved.path, failure.section(u'\n', 0, 0)));
    return failure;
}

void Program::setSoundMissing(Presence missing)
{
    if (std::exchange(m_soundMissing, missing) == missing)
        return;
    m_form.setStatusMark(StatusMark::NoSound, missing);
    m_recorder.record(missing == Presence::Present ? SessionEvent::SoundLost
                                                   : SessionEvent::SoundRegained);
}

MessageAnswer Program::ask(const QString &text, MessageButtons buttons)
{
    return m_parts.messages.show(&m_form, text, buttons);
}

void Program::onStart()
{
    m_recorder.beginCommand();
    if (m_clock.start(m_form.lengthTexts()) == StartOutcome::Refused) {
        m_recorder.endCommand(std::nullopt);
        ask(QString::fromUtf8(StartRefusal), MessageButtons::Ok);
        return;
    }
    const ClockState &state = m_clock.state();
    m_recorder.endCommand(SessionEvent::Start,
                          startDetail(state.PhaseDurations, state.TickIntervalMs));
    publishClock();
}

void Program::onToggle(void (ExamClock::*command)(), SessionEvent event)
{
    const OperatingState before = m_clock.operatingState();
    m_recorder.beginCommand();
    (m_clock.*command)();
    m_recorder.endCommand(m_clock.operatingState() != before ? std::optional(event) : std::nullopt);
    publishClock();
}

void Program::onRelease(Control control, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const int interval = m_clock.state().TickIntervalMs;
    m_recorder.beginCommand();
    if (!m_clock.release(control, button, modifiers)) {
        m_recorder.endCommand(std::nullopt);
        return;
    }
    publishClock();
    switch (releaseGesture(control)->command) {
    case Command::Reset:
        return m_recorder.endCommand(SessionEvent::Reset);
    case Command::SkipFive:
        return m_recorder.endCommand(SessionEvent::FiveSeconds);
    case Command::SkipToNext:
        return m_recorder.endCommand(SessionEvent::SkipToNext);
    case Command::TrimInterval:
        return m_recorder.endCommand(SessionEvent::Trim,
                                     trimDetail(interval, m_clock.state().TickIntervalMs));
    }
}

QString Program::aboutWithLogProblem() const
{
    if (m_logProblem.isEmpty())
        return aboutText();
    return aboutText()
        + QStringLiteral("\n記録を書けません / session log not written: %1\n%2")
              .arg(m_log.folder(), m_logProblem);
}

} // namespace zentrel
