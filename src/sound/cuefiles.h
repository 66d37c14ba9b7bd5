#pragma once

#include <QDir>
#include <QString>

namespace zentrel {

// Where a cue file is played from: the exam office's own recording in the current folder
// when there is one, else the copy built into the program. Empty when neither exists.
QString resolveCueFile(const QString &name, const QDir &folder = QDir::current());

inline constexpr const char *BuiltInCuePrefix = ":/cues/";

} // namespace zentrel
