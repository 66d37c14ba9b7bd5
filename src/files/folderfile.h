#pragma once

#include <QDir>
#include <QString>

namespace zentrel {

// A plain file in the folder, found whatever its letter case: folders copied from other
// systems may hold "SETTING.TXT" or "YOMU.WAV". The exact name wins. Empty when none.
QString findIgnoringCase(const QDir &folder, const QString &name);

} // namespace zentrel
