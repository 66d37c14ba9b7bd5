#pragma once

#include "clock/clockstate.h"

#include <QByteArray>
#include <QString>

enum class SettingsReadOutcome { Complete, NotFound, Incomplete, EndMissing };
enum class SaveStatus { Saved, Failed };

struct SaveResult
{
    SaveStatus status = SaveStatus::Failed;
    QString path;
    QString reason; // why it failed, in the system's words
};

inline constexpr const char *SettingsFileName = "setting.txt";

// "setting.txt" in one folder (the current one in the program): read once at start-up,
// written once at a confirmed exit.
class SettingsFile
{
public:
    explicit SettingsFile(const QString &folder);

    // Reads into `state` in place: each value read replaces the one held, the rest keep
    // theirs. A field that is no 16-bit whole number keeps its value and makes the file
    // Incomplete; so does a file that cannot be read.
    SettingsReadOutcome ReadSettingsFile(ClockState &state);

    // Writes TickIntervalMs and PhaseDurations, replacing the file the reader found (or
    // creating "setting.txt") in one step: a failed write leaves the old file whole.
    SaveResult WriteSettingsFile(const ClockState &state);

    // The last line read, or the text last built for writing.
    QByteArray LineBuffer;

private:
    QString lookUp() const;

    QString m_folder;
    QString m_foundPath;
};

// Start-up's values: the defaults, then what the file gives. A tick period the timer
// cannot run on (zero or less) falls back to the default; everything else is kept as read.
SettingsReadOutcome readStartUpValues(SettingsFile &file, ClockState &state);

class QIODevice;

// The reading itself, from any device: the values, the last line read, and an outcome
// that is never NotFound.
SettingsReadOutcome readSettings(QIODevice &device, ClockState &state, QByteArray &lineBuffer);

// The file's bytes for these values.
QByteArray settingsFileBytes(const ClockState &state, QByteArray &lineBuffer);
