#include "program.h"

#include "awake/quitonsignal.h"
#include "clock/gestures.h"
#include "clock/phases.h"
#include "pagecode.h"
#include "window/texts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace zentrel {

Program::Program(ProgramParts parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_log(parts.logFolder)
    , m_clock(parts.ticks)
    , m_clockLog(m_log, m_clock, parts.cueCheck)
    , m_settings(parts.folder)
    , m_awake(parts.bus)
    , m_role(makeRoomRole(parts.rooms, m_clock))
{
    if (parts.rooms.role != RoleKind::Follow)
        m_kept = std::make_unique<StateKeeper>(parts.folder, m_log.folder());
    connect(&m_clock, &ExamClock::changed, &m_form, &Form1::showClock);
    if (m_parts.web) {
        connect(&m_clock, &ExamClock::changed, this, [this](const ClockChange &change) {
            if (change.writesCount())
                m_shownCount = { change.state.RemainingMinutes, change.state.RemainingSeconds };
            showOnWeb(change.cue);
        });
    }
    // Awake while a phase is on, running or paused.
    connect(&m_clock, &ExamClock::changed, this, [this](const ClockChange &change) {
        if (change.operatingState() == OperatingState::Idle)
            m_awake.release();
        else
            m_awake.hold();
    });
    connect(&m_log, &SessionLog::unwritable, this,
            [this](const QString &reason) { m_logProblem = reason; });
    connect(m_role.get(), &RoomRole::statusChanged, this, &Program::showRole);
    connect(m_role.get(), &RoomRole::happened, &m_clockLog, &ClockLog::record);
    connect(m_role.get(), &RoomRole::cannotGoOn, this, &Program::refuse);
    connect(&m_form, &Form1::aboutClicked, this, [this] {
        const QStringList urls = m_parts.web ? m_parts.web->pageUrls() : QStringList();
        m_parts.messages.showWithPicture(&m_form, aboutBoxText(),
                                         urls.isEmpty() ? QImage() : qrCode(urls.constFirst()));
    });
    if (m_parts.web) {
        connect(m_parts.web, &WebDoors::socketCountChanged, this, [this](int count) {
            m_doorCount = count;
            showRole();
        });
    }
    m_form.setCloseGuard([this] { return mayClose(); });
    m_form.setClockControls(m_role->controls());
    showRole();
    connect(&m_form, &Form1::startClicked, this, &Program::onStart);
    connect(&m_form, &Form1::pauseClicked, &m_clock, &ExamClock::pause);
    connect(&m_form, &Form1::resumeClicked, &m_clock, &ExamClock::resume);
    connect(&m_form, &Form1::released, &m_clock,
            [this](Control control, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
                actOnRelease(m_clock, control, button, modifiers);
            });
    // The desktop's own quit at the end of a session it asked about.
    QCoreApplication::instance()->installEventFilter(this);
}

Program::~Program()
{
    m_awake.release();
    m_role->writeLastRows();
    // SIGHUP is a closed terminal, not the operator's end: the next start asks.
    if (m_kept)
        m_kept->finish(endingSignal() == SIGHUP ? AtEnd::Keep : m_keptAtEnd);
    m_clockLog.record(SessionEvent::ProgramEnd);
}

void Program::startUp()
{
    const SettingsRead read = m_settings.read();
    m_clockLog.record(SessionEvent::ProgramStart, settingsOutcomeText(read.outcome));
    if (read.outcome != SettingsReadOutcome::Complete)
        ask(startUpNotice(read.outcome), MessageButtons::OkCancelOkDefault);
    m_clock.startUp(read.settings);
    m_form.showLengths(read.settings.PhaseDurations);
    m_form.showReminder();
    m_form.control(Control::Start)->setFocus();
    // Asked before a leader connects, so that it never sends its idle state over a
    // circuit that counts on while the question is open.
    if (m_kept) {
        comeBack();
        if (m_keptAtEnd == AtEnd::Keep)
            return; // a signal came while the question was open: the program ends
        m_kept->watch(m_clock);
    }
    m_role->start();
}

// The question after an abnormal end mid-phase, then the clock where the answer puts it.
void Program::comeBack()
{
    const std::optional<KeptState> kept = m_kept->found();
    if (!kept)
        return;
    PlanRead read = planRestart(*kept, momentNow());
    if (!read.plan) {
        std::fprintf(stderr, "zentrel-timer: 前回の状態を無視します / restart state ignored (%s)\n",
                     qUtf8Printable(read.fault));
        return;
    }
    RestartBox box;
    RestartAnswer answer = (m_parts.restart ? *m_parts.restart : box).ask(&m_form, *read.plan);
    if (endRequested()) {
        m_keptAtEnd = AtEnd::Keep; // unanswered
        return;
    }
    m_kept->discard();
    if (answer == RestartAnswer::Continue) // as it stands now, after the question's wait
        read = planRestart(*kept, momentNow());
    if (answer == RestartAnswer::Continue && (!read.plan || !read.plan->canContinue))
        answer = RestartAnswer::FromStop;
    ClockState state = kept->clock;
    if (answer == RestartAnswer::Continue) {
        state = read.plan->resumed;
        int row = 0;
        for (const PassedPhase &passed : read.plan->passed) {
            const std::size_t slot = minutesSlot(passed.phase);
            m_log.record(QDateTime::fromMSecsSinceEpoch(passed.utcMs), SessionEvent::PhaseEntered,
                         { QString::fromUtf8(phaseRow(passed.phase).statusText),
                           state.PhaseDurations[slot], state.PhaseDurations[slot + 1] },
                         passedDetail(row++ == 0 ? read.plan->passedCount : 0));
        }
    } else if (answer == RestartAnswer::FromStop) {
        state.Paused = Pause::On;
        state.Timer = TimerRun::Stopped;
    }
    m_clockLog.record(
        SessionEvent::Outage,
        outageDetail(*read.plan, answer, answer == RestartAnswer::Fresh ? m_clock.state() : state));
    if (answer == RestartAnswer::Fresh)
        return;
    m_clock.adopt(state);
    m_form.showLengths(state.PhaseDurations);
}

void Program::showRole()
{
    m_marks[std::size_t(StatusMark::NoSync)] = m_role->outOfStep();
    m_form.setStatusMark(StatusMark::NoSync, m_role->outOfStep());
    QString tip = m_role->statusTip();
    if (m_parts.web && m_parts.web->port() != 0)
        tip += (tip.isEmpty() ? u""_qs : u"\n"_qs)
            + u"ブラウザ表示: %1 台接続中"_qs.arg(m_doorCount);
    m_form.setStatusTip(tip);
    showOnWeb(Cue::None);
}

void Program::showOnWeb(Cue cue)
{
    if (m_parts.web)
        m_parts.web->show({ m_clock.state(), cue, m_marks, m_shownCount });
}

void Program::refuse(const QString &reason)
{
    m_exitConfirmed = true; // ends without the exit question
    if (m_form.isVisible())
        ask(reason, MessageButtons::Ok);
    else
        std::fprintf(stderr, "zentrel-timer: %s\n", qUtf8Printable(reason));
    Q_EMIT quitRequested(EXIT_FAILURE);
}

// The clock is not stopped: ticks go on while the questions wait.
bool Program::mayClose()
{
    return m_exitConfirmed || confirmExit();
}

bool Program::confirmExit()
{
    m_clockLog.record(SessionEvent::ExitAsked);
    const bool leave = ask(QString::fromUtf8(ExitQuestion), MessageButtons::OkCancelCancelDefault)
        == MessageAnswer::Ok;
    m_clockLog.record(SessionEvent::ExitAnswered,
                      leave ? QStringLiteral("OK") : QStringLiteral("キャンセル"));
    if (!leave)
        return false;
    if (m_role->saving() == Saving::NotThisRoom)
        return true;
    const QString failure = saveBoxes();
    return failure.isEmpty()
        || ask(failure, MessageButtons::OkCancelCancelDefault) == MessageAnswer::Ok;
}

SessionEndAnswer Program::sessionEnding(Interaction interaction)
{
    if (interaction == Interaction::Allowed) {
        m_sessionEndConfirmed = m_exitConfirmed || confirmExit();
        return m_sessionEndConfirmed ? SessionEndAnswer::Proceed : SessionEndAnswer::Cancel;
    }
    if (!m_exitConfirmed && m_role->saving() == Saving::ThisRoom)
        saveBoxes();
    m_sessionEndConfirmed = true;
    return SessionEndAnswer::Proceed;
}

bool Program::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit
        && m_sessionEndConfirmed)
        m_exitConfirmed = true;
    return QObject::eventFilter(watched, event);
}

// The boxes' values go into a copy: the running clock keeps its own lengths, since the
// window may yet stay open.
QString Program::saveBoxes()
{
    const LengthTexts texts = m_form.lengthTexts();
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
    m_clockLog.record(SessionEvent::Save, saveDetail(saved.path, failure.section(u'\n', 0, 0)));
    return failure;
}

void Program::setSoundMissing(Presence missing)
{
    if (std::exchange(m_marks[std::size_t(StatusMark::NoSound)], missing) == missing)
        return;
    m_form.setStatusMark(StatusMark::NoSound, missing);
    showOnWeb(Cue::None);
    m_clockLog.record(missing == Presence::Present ? SessionEvent::SoundLost
                                                   : SessionEvent::SoundRegained);
}

MessageAnswer Program::ask(const QString &text, MessageButtons buttons)
{
    return m_parts.messages.show(&m_form, text, buttons);
}

void Program::onStart()
{
    if (m_clock.start(m_form.lengthTexts()) == StartOutcome::Refused)
        ask(QString::fromUtf8(StartRefusal), MessageButtons::Ok);
}

QString Program::aboutBoxText() const
{
    QString text = aboutText();
    if (m_parts.web && m_parts.web->port() != 0)
        text += QStringLiteral("\nブラウザ表示 / station-door page: %1")
                    .arg(m_parts.web->pageUrls().join(QStringLiteral(" ")));
    if (!m_logProblem.isEmpty())
        text += QStringLiteral("\n記録を書けません / session log not written: %1\n%2")
                    .arg(m_log.folder(), m_logProblem);
    return text;
}

} // namespace zentrel
