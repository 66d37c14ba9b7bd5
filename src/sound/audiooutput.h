#pragma once

#include "cuemixer.h"

#include <QObject>
#include <QTimer>

class QAudioSink;

namespace zentrel {

// Streams the mixer to the default sound device. The stream stays open for as long as the
// program runs, but it only flows while a cue may come or plays (keepWarm()): a flowing
// stream keeps the sound server from parking the device, so a cue is heard within one
// small buffer, and a corked one costs nothing between cues. With no device (a server
// that cannot be reached, a headless machine) it streams nothing and everything still
// returns at once; it tries again when the devices change or every few seconds after a
// failure.
class AudioOutput : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutput(QObject *parent = nullptr);
    ~AudioOutput() override;

    CueMixer &mixer() { return *m_mixer; }
    bool isStreaming() const;

    // Let the stream flow now and for a few seconds after the last call and the last cue.
    void keepWarm();

private:
    void openDevice();
    void closeDevice();
    void feed();
    void warmUp();
    void coolDown();

    CueMixer *m_mixer = nullptr;
    QAudioSink *m_sink = nullptr;
    QIODevice *m_stream = nullptr; // the sink's input, written by feed()
    QByteArray m_chunk;
    QTimer m_feed;
    QTimer m_cool;
    QTimer m_retry;
};

} // namespace zentrel
