#pragma once

#include "cuemixer.h"

#include <QObject>
#include <QTimer>

class QAudioSink;

// Streams the mixer to the default sound device for as long as the program runs, so the
// path is warm when a cue comes. With no device (a server that cannot be reached, a
// headless machine) it streams nothing and everything still returns at once; it tries
// again when the devices change or every few seconds after a failure.
class AudioOutput : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutput(QObject *parent = nullptr);
    ~AudioOutput() override;

    CueMixer &mixer() { return *m_mixer; }
    bool isStreaming() const;

private:
    void openDevice();
    void closeDevice();
    void feed();

    CueMixer *m_mixer = nullptr;
    QAudioSink *m_sink = nullptr;
    QIODevice *m_stream = nullptr; // the sink's input, written by feed()
    QByteArray m_chunk;
    QTimer m_feed;
    QTimer m_retry;
};
