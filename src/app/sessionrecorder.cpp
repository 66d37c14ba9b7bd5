#include "sessionrecorder.h"

#include "clock/phases.h"
#include "sound/cuefiles.h"
#include "sound/cueplayers.h"

namespace zentrel {

SessionRecorder::SessionRecorder(SessionLog &log, ClockDisplay &display, CueOutlet &cues,
                                 std::function<QString()> soundTrouble)
    : m_log(log)
    , m_display(display)
    , m_cues(cues)
    , m_soundTrouble(std::move(soundTrouble))
{
    m_shown.phase = QString::fromUtf8(phaseRow(0).statusText);
}

void SessionRecorder::record(SessionEvent event, const QString &detail)
{
    Row row { QDateTime::currentDateTime(), event, m_shown, detail };
    if (m_command)
        m_waiting.push_back(std::move(row));
    else
        m_log.record(row.when, row.event, row.shown, row.detail);
}

void SessionRecorder::beginCommand()
{
    m_command = Row { QDateTime::currentDateTime(), SessionEvent::Start, m_shown, {} };
    m_waiting.clear();
}

void SessionRecorder::endCommand(std::optional<SessionEvent> event, const QString &detail)
{
    if (m_command && event)
        m_log.record(m_command->when, *event, m_command->shown, detail);
    m_command.reset();
    for (const Row &row : std::exchange(m_waiting, {}))
        m_log.record(row.when, row.event, row.shown, row.detail);
}

void SessionRecorder::showCount(int minutes, int seconds)
{
    m_shown.minutes = minutes;
    m_shown.seconds = seconds;
    m_display.showCount(minutes, seconds);
    if (m_countWatcher)
        m_countWatcher();
}

void SessionRecorder::showPhaseStatus(const ClockState &state)
{
    m_display.showPhaseStatus(state);
    if (state.Phase == m_phase)
        return;
    m_phase = state.Phase;
    m_shown.phase = QString::fromUtf8(phaseRow(state.Phase).statusText);
    if (m_phase != 0)
        record(SessionEvent::PhaseEntered);
}

void SessionRecorder::showTickInterval(int milliseconds)
{
    m_display.showTickInterval(milliseconds);
}

void SessionRecorder::showOperatingState(OperatingState state)
{
    m_display.showOperatingState(state);
    if (m_watcher)
        m_watcher(state);
}

void SessionRecorder::initCuePlayers()
{
    m_cues.initCuePlayers();
}

void SessionRecorder::silenceCuePlayers()
{
    m_cues.silenceCuePlayers();
}

void SessionRecorder::setPhaseCueFile(const QString &fileName)
{
    m_phaseFile = fileName;
    m_cues.setPhaseCueFile(fileName);
}

void SessionRecorder::playWarningCue()
{
    m_cues.playWarningCue();
    recordCue(QString::fromLatin1(WarningCueFile));
}

void SessionRecorder::playPhaseCue()
{
    m_cues.playPhaseCue();
    recordCue(m_phaseFile);
}

void SessionRecorder::prepareForCue()
{
    m_cues.prepareForCue();
}

// Only on a cue's tick: one file-status look-up, after the cue has been started.
void SessionRecorder::recordCue(const QString &file)
{
    const QString path = resolveCueFile(file);
    const CueSource source
        = path.startsWith(QLatin1String(BuiltInCuePrefix)) ? CueSource::BuiltIn : CueSource::Folder;
    QString why = path.isEmpty() ? QStringLiteral("ファイルがありません") : QString();
    if (why.isEmpty() && m_soundTrouble)
        why = m_soundTrouble();
    record(SessionEvent::Cue, cueDetail(file, source, why));
}

QString settingsOutcomeText(SettingsReadOutcome outcome)
{
    switch (outcome) {
    case SettingsReadOutcome::Complete:
        return QStringLiteral("設定ファイルを読みました");
    case SettingsReadOutcome::NotFound:
        return QStringLiteral("設定ファイルがありません: デフォルト設定");
    case SettingsReadOutcome::Incomplete:
        return QStringLiteral("設定ファイルの記述が正しくありません: 一部デフォルト設定");
    case SettingsReadOutcome::EndMissing:
        return QStringLiteral("設定ファイル最終行に end がありません");
    }
    return {};
}

} // namespace zentrel
