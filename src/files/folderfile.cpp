#include "folderfile.h"

#include <QFileInfo>

namespace zentrel {

QString findIgnoringCase(const QDir &folder, const QString &name)
{
    const QString exact = folder.filePath(name);
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    for (const QString &found : names) {
        if (found.compare(name, Qt::CaseInsensitive) == 0)
            return folder.filePath(found);
    }
    return {};
}

} // namespace zentrel
