#pragma once

#include "cuebackend.h"
#include "cuemixer.h"

#include <QDateTime>
#include <QHash>

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

// A cue player's sound: one voice of the mixer.
class MixerCueBackend : public CueBackend
{
public:
    MixerCueBackend(CueMixer &mixer, int voice, ClipCache &cache);

    bool load(const QString &fileName) override;
    void play() override;
    void stop() override;
    void unload() override;
    bool isPlaying() const override;

private:
    CueMixer &m_mixer;
    int m_voice = 0;
    ClipCache &m_cache;
    std::shared_ptr<const PcmClip> m_clip;
};
