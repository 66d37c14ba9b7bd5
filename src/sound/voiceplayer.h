#pragma once

#include "clipcache.h"
#include "cuedevice.h"
#include "cuemixer.h"

namespace zentrel {

enum class CuePlayerState { Closed, OpenPlaying, OpenStopped };

// A cue player sounding on one voice of the mixer. A file that cannot be found or
// decoded leaves the player closed, and its play() sounds nothing.
class VoicePlayer : public CueDevice
{
public:
    VoicePlayer(CueMixer &mixer, int voice, ClipCache &cache);

    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    void open() override;
    void play() override;
    void stop() override;
    void close() override;

    // Open and stopped also once a cue has run to its end.
    CuePlayerState state() const;

private:
    CueMixer &m_mixer;
    int m_voice = 0;
    ClipCache &m_cache;
    QString m_fileName;
    std::shared_ptr<const PcmClip> m_clip; // set while open
};

} // namespace zentrel
