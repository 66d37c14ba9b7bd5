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
    if (ask(QString::fromUtf8(ExitQuestion), MessageButtons::OkCancelCancelDefault)
        == MessageAnswer::Cancel)
        return false;
    // The boxes' values go into a copy: the running clock keeps its own lengths, since the
    // window may yet stay open.
    const BoxLengths boxes = readLengthBoxes(m_form.lengthTexts());
    QString failure;
    if (boxes.badBox >= 0) {
        failure = badBoxMessage(std::size_t(boxes.badBox),
                                m_form.lengthTexts()[std::size_t(boxes.badBox)]);
    } else {
        const SaveResult saved
            = m_settings.write({ m_clock.state().TickIntervalMs, boxes.lengths });
        if (saved.status == SaveStatus::Failed)
            failure = saveFailedMessage(saved);
    }
    return failure.isEmpty()
        || ask(failure, MessageButtons::OkCancelCancelDefault) == MessageAnswer::Ok;
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
