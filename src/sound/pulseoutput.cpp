#include "pulseoutput.h"

#include "pulsestream.h"

#include <QTimer>

namespace zentrel {

namespace {
constexpr PcmFormat StreamFormat { 48000, 2 };
// A server that has not answered by then counts as unreachable.
constexpr int FirstVerdictMs = 2000;
} // namespace

PulseOutput::PulseOutput(QObject *parent)
    : QObject(parent)
    , m_mixer(new CueMixer(StreamFormat, this))
{
    // The stream reports from libpulse's thread; the news is handed to this one.
    m_stream = std::make_unique<PulseStream>(*m_mixer, [this](bool reachable) {
        QMetaObject::invokeMethod(
            this, [this, reachable] { setReachable(reachable); }, Qt::QueuedConnection);
    });
    // A cue that starts without notice still gets the stream going at once.
    connect(m_mixer, &CueMixer::voiceStarted, this, [this] { m_stream->cueStarted(); });
    QTimer::singleShot(FirstVerdictMs, this, [this] {
        if (!m_known)
            setReachable(false);
    });
}

// Stops libpulse's thread before the mixer it reads goes.
PulseOutput::~PulseOutput() = default;

void PulseOutput::keepWarm()
{
    m_stream->keepWarm();
}

void PulseOutput::setReachable(bool reachable)
{
    if (m_known && reachable == m_reachable)
        return;
    m_known = true;
    m_reachable = reachable;
    Q_EMIT soundReachableChanged(reachable);
}

} // namespace zentrel
