#pragma once

#include "pcmclip.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <memory>

namespace zentrel {

// Decoded cues, kept until their file changes, so that opening a cue inside the tick
// costs a file-status look-up rather than a decode.
class ClipCache
{
public:
    std::shared_ptr<const PcmClip> clip(const QString &path, PcmFormat format);

private:
    struct Entry
    {
        qint64 size = -1;
        QDateTime modified;
        std::shared_ptr<const PcmClip> clip;
    };
    QHash<QString, Entry> m_entries;
};

} // namespace zentrel
