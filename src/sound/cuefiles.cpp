#include "cuefiles.h"

#include "clock/cues.h"
#include "files/folderfile.h"

#include <QFileInfo>

namespace zentrel {

QStringList cueFileNames()
{
    QStringList names;
    for (const CueMoment &moment : CueMoments) {
        if (moment.file)
            names << QString::fromLatin1(moment.file);
    }
    for (const PhaseRow &row : Phases) {
        if (row.announcement)
            names << QString::fromLatin1(row.announcement);
    }
    return names;
}

QString resolveCueFile(const QString &name, const QDir &folder)
{
    // Cue names are bare file names; anything with a path in it is not ours to open.
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return {};
    const QFileInfo own(findIgnoringCase(folder, name));
    if (own.isFile() && own.isReadable())
        return own.absoluteFilePath();
    const QString builtIn = QLatin1String(BuiltInCuePrefix) + name;
    return QFileInfo::exists(builtIn) ? builtIn : QString();
}

} // namespace zentrel
