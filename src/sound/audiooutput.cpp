#include "audiooutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

namespace {
constexpr PcmFormat StreamFormat { 48000, 2 };
// Small enough that a cue is heard at once, large enough not to starve on a busy tick.
constexpr int BufferMs = 40;
constexpr int RetryMs = 5000;
} // namespace

AudioOutput::AudioOutput(QObject *parent)
    : QObject(parent)
    , m_mixer(new CueMixer(StreamFormat, this))
{
    m_retry.setInterval(RetryMs);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &AudioOutput::openDevice);
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
    return m_sink && m_sink->state() == QAudio::ActiveState;
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
    m_sink->start(m_mixer);
    if (m_sink->state() == QAudio::StoppedState)
        m_retry.start();
}

void AudioOutput::closeDevice()
{
    if (!m_sink)
        return;
    m_sink->disconnect(this);
    m_sink->stop();
    delete m_sink;
    m_sink = nullptr;
}
