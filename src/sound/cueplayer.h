#pragma once

#include "clock/clockchange.h"
#include "cueclips.h"
#include "cuefiles.h"
#include "cuevoices.h"

#include <QObject>
#include <mutex>

namespace zentrel {

inline constexpr PcmFormat StreamFormat { 48000, 2 };

// The room's cues: exactly one sounds at a time, from its beginning, and silence between.
// The output stream takes block after block from render() on its own thread.
class CuePlayer : public QObject
{
    Q_OBJECT

public:
    // Decodes `cueFiles` at once, so their first play finds them ready.
    explicit CuePlayer(const QStringList &cueFiles = cueFileNames(),
                       PcmFormat format = StreamFormat, QObject *parent = nullptr);

    PcmFormat format() const { return m_format; }

    // Cuts off whatever sounds, on either voice, and starts the cue on the next block. A file
    // that cannot be found or decoded (or has not been decoded yet) sounds nothing.
    void play(CueVoice voice, const QString &fileName);
    void play(CueVoice voice, std::shared_ptr<const PcmClip> clip);
    void silence();
    // A cue may come within two ticks: have the output ready so it is heard on its tick.
    void keepWarm() { Q_EMIT cueExpected(); }

    // Sounds what the clock's change asks: START and RESET (adopted too) silence the room, a cue
    // due plays, and notice of a coming cue readies the output.
    void follow(const ClockChange &change);

    // Any thread: fills `out` with what the room hears next. True while a cue sounds on.
    bool render(std::span<std::int16_t> out);
    bool isSounding() const;

Q_SIGNALS:
    void cueStarted();
    void cueExpected();

private:
    PcmFormat m_format;
    CueClips m_clips;
    mutable std::mutex m_mutex; // guards the voices
    Voices m_voices;
};

} // namespace zentrel
