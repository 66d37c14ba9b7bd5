#pragma once

#include "clock/clockstate.h"
#include "clock/lengthboxes.h"

#include <QByteArray>
#include <QString>
#include <array>

class QIODevice;

namespace zentrel {

enum class SettingsReadOutcome { Complete, NotFound, Incomplete, EndMissing };

struct SettingsRead
{
    SettingsReadOutcome outcome = SettingsReadOutcome::NotFound;
    ClockSettings settings; // the defaults, with each field the file gave in its place
};

enum class SaveStatus { Saved, Failed };
// The usual reasons a save fails, so that the operator is told in plain words.
enum class SaveProblem { None, NoPermission, ReadOnlyDrive, DiskFull, FolderMissing, Other };

struct SaveResult
{
    SaveStatus status = SaveStatus::Failed;
    QString path;
    SaveProblem problem = SaveProblem::Other;
    QString reason; // the system's own words
};

inline constexpr const char *SettingsFileName = "setting.txt";

// "setting.txt" in one folder, found whatever its letter case: read once at start-up,
// written once at a confirmed exit.
class SettingsFile
{
public:
    explicit SettingsFile(const QString &folder);

    SettingsRead read();
    // Replaces the file the reader found (or creates "setting.txt") in one step: a failed
    // write leaves the old file whole. Only where the folder refuses a new file but the file
    // itself may be written is it rewritten in place.
    SaveResult write(const ClockSettings &settings);

private:
    QString m_folder;
    QString m_foundPath;
};

// The reading itself, from any device; the outcome is never NotFound. A field that is no
// 16-bit whole number keeps its default and makes the file Incomplete; so does a read that
// fails. A tick period the timer cannot run on (zero or less) falls back to the default.
SettingsRead readSettings(QIODevice &device);

QByteArray settingsFileBytes(const ClockSettings &settings);

// Whether a folder that refused the new file beside setting.txt (with this errno) may still
// let setting.txt itself be rewritten in place: "permission denied" (the folder's mode) and
// "operation not permitted" (a folder made immutable with chattr +i).
bool rewritesInPlace(int createError);

// The length boxes at exit: whole numbers, blanks around them allowed, no range check.
struct BoxLengths
{
    PhaseLengths lengths {};
    int badBox = -1; // index of the first box that holds no whole number, or -1
};
BoxLengths readLengthBoxes(const LengthTexts &boxes);

} // namespace zentrel
