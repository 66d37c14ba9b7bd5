#pragma once

#include "clock/outlets.h"
#include "examlog/sessionlog.h"
#include "settings/settingsfile.h"

#include <functional>
#include <optional>
#include <vector>

namespace zentrel {

// Stands between the clock and its display and cue players: forwards every call and
// records in the session log what the room saw and heard (phases entered, cues). The
// clock knows nothing of the log.
class SessionRecorder : public ClockDisplay, public CueOutlet
{
public:
    // `soundTrouble` says why a cue cannot be heard now; empty when it can.
    SessionRecorder(SessionLog &log, ClockDisplay &display, CueOutlet &cues,
                    std::function<QString()> soundTrouble = {});

    // Told every operating state the clock shows, after the display.
    void setOperatingStateWatcher(std::function<void(OperatingState)> watcher)
    {
        m_watcher = std::move(watcher);
    }

    // Told after each count the clock shows, after the display: every tick ends with one.
    void setCountWatcher(std::function<void()> watcher) { m_countWatcher = std::move(watcher); }

    void record(SessionEvent event, const QString &detail = {});
    // An operator's command: its row, stamped and counted as the command began, comes before
    // the rows of what it caused. Rows in between wait until endCommand(); no event: the
    // command did nothing, and only those rows are written.
    void beginCommand();
    void endCommand(std::optional<SessionEvent> event, const QString &detail = {});

    void showCount(int minutes, int seconds) override;
    void showPhaseStatus(const ClockState &state) override;
    void showTickInterval(int milliseconds) override;
    void showOperatingState(OperatingState state) override;

    void initCuePlayers() override;
    void silenceCuePlayers() override;
    void setPhaseCueFile(const QString &fileName) override;
    void playWarningCue() override;
    void playPhaseCue() override;
    void prepareForCue() override;

private:
    struct Row
    {
        QDateTime when;
        SessionEvent event;
        ShownCount shown;
        QString detail;
    };
    void recordCue(const QString &file);

    SessionLog &m_log;
    ClockDisplay &m_display;
    CueOutlet &m_cues;
    std::function<QString()> m_soundTrouble;
    std::function<void(OperatingState)> m_watcher;
    std::function<void()> m_countWatcher;
    ShownCount m_shown;
    int m_phase = 0;
    QString m_phaseFile;
    std::optional<Row> m_command; // its event is filled in at the end
    std::vector<Row> m_waiting;
};

QString settingsOutcomeText(SettingsReadOutcome outcome);

} // namespace zentrel
