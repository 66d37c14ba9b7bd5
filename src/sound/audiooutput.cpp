#include "audiooutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

namespace zentrel {

namespace {
constexpr PcmFormat StreamFormat { 48000, 2 };
// Small enough that a cue is heard at once, large enough not to starve on a busy tick.
constexpr int BufferMs = 20;
// The stream is pushed rather than pulled: Qt's pull mode moves whole 20 ms chunks and,
// with a buffer this small, stalls before the server's pre-buffer is full.
constexpr int FeedMs = 5;
constexpr int RetryMs = 5000;
constexpr int WarmMs = 2500; // after the last request or cue; not a whole number of 1 s ticks
} // namespace

AudioOutput::AudioOutput(QObject *parent)
    : QObject(parent)
    , m_mixer(new CueMixer(StreamFormat, this))
{
    m_retry.setInterval(RetryMs);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &AudioOutput::openDevice);
    m_feed.setTimerType(Qt::PreciseTimer);
    m_feed.setInterval(FeedMs);
    connect(&m_feed, &QTimer::timeout, this, &AudioOutput::feed);
    m_cool.setSingleShot(true);
    m_cool.setInterval(WarmMs);
    connect(&m_cool, &QTimer::timeout, this, &AudioOutput::coolDown);
    // A cue that starts without notice still gets the stream going at once.
    connect(m_mixer, &CueMixer::voiceStarted, this, &AudioOutput::keepWarm);
    auto *devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioOutputsChanged, this, &AudioOutput::openDevice);
    openDevice();
}

AudioOutput::~AudioOutput()
{
    closeDevice();
}

bool AudioOutput::isStreaming() const
{
    return m_stream && m_sink->state() != QAudio::StoppedState;
}

void AudioOutput::openDevice()
{
    closeDevice();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;

    QAudioFormat format;
    format.setSampleRate(StreamFormat.sampleRate);
    format.setChannelCount(StreamFormat.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    m_sink = new QAudioSink(device, format, this);
    m_sink->setBufferSize(format.bytesForDuration(BufferMs * 1000));
    connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_sink && m_sink->error() != QAudio::NoError)
            m_retry.start();
    });
    m_stream = m_sink->start();
    if (!m_stream) {
        m_retry.start();
        return;
    }
    keepWarm();
}

void AudioOutput::keepWarm()
{
    m_cool.start();
    if (m_stream && !m_feed.isActive()) {
        // Resuming waits for the server; do it just after the caller's handler.
        QMetaObject::invokeMethod(this, &AudioOutput::warmUp, Qt::QueuedConnection);
    }
}

void AudioOutput::warmUp()
{
    if (!m_stream || m_feed.isActive())
        return;
    m_sink->resume();
    feed();
    m_feed.start();
}

void AudioOutput::coolDown()
{
    if (m_mixer->isAnyPlaying()) {
        m_cool.start();
        return;
    }
    m_feed.stop();
    if (m_sink && m_stream)
        m_sink->suspend();
}

void AudioOutput::feed()
{
    if (!m_stream)
        return;
    const qsizetype frameBytes = qsizetype(sizeof(std::int16_t)) * StreamFormat.channels;
    const qsizetype wanted = m_sink->bytesFree() / frameBytes * frameBytes;
    if (wanted <= 0)
        return;
    m_chunk.resize(wanted);
    const qint64 got = m_mixer->read(m_chunk.data(), wanted);
    if (got > 0)
        m_stream->write(m_chunk.constData(), got);
}

void AudioOutput::closeDevice()
{
    m_feed.stop();
    m_cool.stop();
    m_stream = nullptr;
    if (!m_sink)
        return;
    m_sink->disconnect(this);
    m_sink->stop();
    delete m_sink;
    m_sink = nullptr;
}

} // namespace zentrel
