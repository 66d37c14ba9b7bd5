#include "soundsystem.h"

#include "clock/phasetable.h"
#include "cuefiles.h"

SoundSystem::SoundSystem()
{
    // Decode the cues now rather than inside the first tick that plays one.
    QList<const char *> names { WarningCueFile };
    for (std::uint8_t phase = 1; phase <= 4; ++phase)
        names << phaseRow(phase).nextCueFile;
    for (const char *name : names) {
        const QString path = resolveCueFile(QString::fromLatin1(name));
        if (!path.isEmpty())
            m_cache.clip(path, m_output.mixer().pcmFormat());
    }
}
