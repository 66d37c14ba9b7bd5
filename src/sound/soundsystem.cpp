#include "soundsystem.h"

#include "clock/phases.h"
#include "cuefiles.h"

namespace zentrel {

SoundSystem::SoundSystem()
{
    // Decode the cues now rather than inside the first tick that plays one.
    QList<const char *> names { WarningCueFile };
    for (const PhaseRow &row : Phases) {
        if (row.announcement)
            names << row.announcement;
    }
    for (const char *name : names) {
        const QString path = resolveCueFile(QString::fromLatin1(name));
        if (!path.isEmpty())
            m_cache.clip(path, m_output.mixer().pcmFormat());
    }
}

} // namespace zentrel
