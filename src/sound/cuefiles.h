#pragma once

#include "clock/cues.h"

#include <QDir>
#include <QString>
#include <QStringList>

namespace zentrel {

inline constexpr const char *BuiltInCuePrefix = ":/cues/";

// Every cue file the program plays: the warning and the phases' announcements.
QStringList cueFileNames();

// Where a cue file is played from: the exam office's own recording in the current folder
// when there is one, else the copy built into the program. Empty when neither exists.
QString resolveCueFile(const QString &name, const QDir &folder = QDir::current());

} // namespace zentrel
