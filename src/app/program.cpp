#include "program.h"

#include "window/texts.h"

namespace zentrel {

Program::Program(ProgramParts parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_clock(parts.ticks, parts.cues, m_form)
    , m_settings(parts.folder)
{
    connect(&m_form, &Form1::startClicked, this, &Program::onStart);
    connect(&m_form, &Form1::pauseClicked, &m_clock, &ExamClock::pause);
    connect(&m_form, &Form1::resumeClicked, &m_clock, &ExamClock::resume);
    connect(&m_form, &Form1::aboutClicked, this, [this] { ask(aboutText(), MessageButtons::Ok); });
    connect(&m_form, &Form1::released, &m_clock, &ExamClock::release);
    m_form.setCloseGuard([this] { return mayClose(); });
}

void Program::startUp()
{
    const SettingsRead read = m_settings.read();
    if (read.outcome != SettingsReadOutcome::Complete)
        ask(startUpNotice(read.outcome), MessageButtons::OkCancelOkDefault);
    m_clock.startUp(read.settings);
    m_form.showLengths(read.settings.PhaseDurations);
    m_form.showReminder();
    m_form.control(Control::Start)->setFocus();
}

// The clock is not stopped: ticks go on while the questions wait.
bool Program::mayClose()
{
    if (m_exitConfirmed)
        return true;
    if (ask(QString::fromUtf8(ExitQuestion), MessageButtons::OkCancelCancelDefault)
        == MessageAnswer::Cancel)
        return false;
    const QString failure = saveBoxes();
    m_exitConfirmed = failure.isEmpty()
        || ask(failure, MessageButtons::OkCancelCancelDefault) == MessageAnswer::Ok;
    return m_exitConfirmed;
}

SessionEndAnswer Program::sessionEnding(Interaction interaction)
{
    if (interaction == Interaction::Allowed)
        return mayClose() ? SessionEndAnswer::Proceed : SessionEndAnswer::Cancel;
    if (!m_exitConfirmed)
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
    if (boxes.badBox >= 0)
        return badBoxMessage(std::size_t(boxes.badBox), texts[std::size_t(boxes.badBox)]);
    const SaveResult saved = m_settings.write({ m_clock.state().TickIntervalMs, boxes.lengths });
    return saved.status == SaveStatus::Saved ? QString() : saveFailedMessage(saved);
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

} // namespace zentrel
