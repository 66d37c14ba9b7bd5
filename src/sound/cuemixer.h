#pragma once

#include "pcmclip.h"

#include <QIODevice>
#include <array>
#include <memory>
#include <mutex>

namespace zentrel {

// What the output stream plays: the cues of both players mixed, silence when neither
// sounds. Each cue player owns one voice.
class CueMixer : public QIODevice
{
    Q_OBJECT

public:
    static constexpr int VoiceCount = 2;

    explicit CueMixer(PcmFormat format, QObject *parent = nullptr);

    PcmFormat pcmFormat() const { return m_format; }
    void play(int voice, std::shared_ptr<const PcmClip> clip);
    void stop(int voice);
    bool isPlaying(int voice) const;
    bool isAnyPlaying() const;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

Q_SIGNALS:
    void voiceStarted();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    struct Voice
    {
        std::shared_ptr<const PcmClip> clip;
        std::size_t position = 0; // in samples
    };

    PcmFormat m_format;
    mutable std::mutex m_mutex; // the device may pull from its own thread
    std::array<Voice, VoiceCount> m_voices;
};

} // namespace zentrel
