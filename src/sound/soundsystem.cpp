#include "soundsystem.h"

#include "cuefiles.h"

SoundSystem::SoundSystem()
{
    // Decode the cues now rather than inside the first tick that plays one.
    for (const char *name : { "yomu.wav", "hajime.wav", "kohyo.wav", "idou.wav", "sec30.wav" }) {
        const QString path = resolveCueFile(QString::fromLatin1(name));
        if (!path.isEmpty())
            m_cache.clip(path, m_output.mixer().pcmFormat());
    }
}
