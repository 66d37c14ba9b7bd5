#include "pulseoutput.h"

#include "cueplayer.h"
#include "pulsestream.h"

#include <QTimer>

namespace zentrel {

namespace {
// A server that has not answered by then counts as unreachable.
constexpr int FirstVerdictMs = 2000;
} // namespace

PulseOutput::PulseOutput(CuePlayer &player, QObject *parent)
    : QObject(parent)
{
    // The stream reports from libpulse's thread; the news is handed to this one.
    m_stream = std::make_unique<PulseStream>(player, [this](bool reachable) {
        QMetaObject::invokeMethod(
            this, [this, reachable] { setReachable(reachable); }, Qt::QueuedConnection);
    });
    // A cue that starts without notice still gets the stream going at once.
    connect(&player, &CuePlayer::cueStarted, this, [this] { m_stream->cueStarted(); });
    connect(&player, &CuePlayer::cueExpected, this, [this] { m_stream->keepWarm(); });
    QTimer::singleShot(FirstVerdictMs, this, [this] {
        if (!m_known)
            setReachable(false);
    });
}

// Stops libpulse's thread, which renders from the player.
PulseOutput::~PulseOutput() = default;

void PulseOutput::setReachable(bool reachable)
{
    if (m_known && reachable == m_reachable)
        return;
    m_known = true;
    m_reachable = reachable;
    Q_EMIT soundReachableChanged(reachable);
}

} // namespace zentrel
