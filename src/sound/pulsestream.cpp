#include "pulsestream.h"

#include "cueplayer.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zentrel {

namespace {
constexpr pa_usec_t Ms = 1000;
// What the output holds ahead of the read position; a cue written at the read position
// waits this long. Kept short so cues are on the tick.
constexpr pa_usec_t SinkLatencyUs = 10 * Ms;
// How often the server asks for more while the stream flows: each request wakes this
// process once. Twice this is buffered beyond the output, so a busy machine has a whole
// RequestMs to answer before anything runs dry.
constexpr pa_usec_t RequestUs = 50 * Ms;
constexpr pa_usec_t WarmUs
    = 2500 * Ms; // after the last request or cue; not a whole number of 1 s ticks
constexpr pa_usec_t RetryUs = 500 * Ms; // while no server or no output can be reached

void unref(pa_operation *operation)
{
    if (operation)
        pa_operation_unref(operation);
}
} // namespace

PulseStream::PulseStream(CuePlayer &player, ReachableHandler onReachable)
    : m_player(player)
    , m_onReachable(std::move(onReachable))
    , m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    , m_loop(pa_threaded_mainloop_new())
    , m_api(pa_threaded_mainloop_get_api(m_loop))
{
    if (m_wakeFd >= 0) {
        m_wakeEvent = m_api->io_new(
            m_api, m_wakeFd, PA_IO_EVENT_INPUT,
            [](pa_mainloop_api *, pa_io_event *, int, pa_io_event_flags_t, void *self) {
                static_cast<PulseStream *>(self)->onWake();
            },
            this);
    }
    // The loop is not running yet, so this thread may still touch its objects.
    connectContext();
    pa_threaded_mainloop_start(m_loop);
}

PulseStream::~PulseStream()
{
    pa_threaded_mainloop_stop(m_loop);
    dropStream();
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_retry)
        m_api->time_free(m_retry);
    if (m_wakeEvent)
        m_api->io_free(m_wakeEvent);
    pa_threaded_mainloop_free(m_loop);
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void PulseStream::keepWarm()
{
    m_warmAsked = true;
    wake();
}

void PulseStream::cueStarted()
{
    ++m_cueStarts;
    wake();
}

void PulseStream::wake()
{
    const std::uint64_t one = 1;
    if (m_wakeFd < 0)
        return;
    [[maybe_unused]] const auto written = write(m_wakeFd, &one, sizeof one);
}

void PulseStream::onWake()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = read(m_wakeFd, &count, sizeof count);
    if (m_warmAsked.exchange(false))
        warmFor(WarmUs);
    const unsigned starts = m_cueStarts;
    if (starts != m_cueStartsSeen) {
        m_cueStartsSeen = starts;
        warmFor(WarmUs);
        rewriteFromReadPosition();
    }
}

void PulseStream::connectContext()
{
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "zentrel-timer");
    m_context = pa_context_new_with_proplist(m_api, "Zentrel Timer", props);
    pa_proplist_free(props);
    pa_context_set_state_callback(
        m_context,
        [](pa_context *, void *self) { static_cast<PulseStream *>(self)->onContextState(); }, this);
    // Never start a server of our own: the room's server is the one that has the outputs.
    // A failure may already have been handled by the state callback.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 && m_context)
        dropContext();
}

void PulseStream::dropContext()
{
    // The server went away or never was: start over with a new context.
    dropStream();
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_unref(m_context);
    m_context = nullptr;
    setReachable(false);
    retryLater();
}

void PulseStream::onContextState()
{
    switch (pa_context_get_state(m_context)) {
    case PA_CONTEXT_READY:
        pa_context_set_subscribe_callback(
            m_context,
            [](pa_context *, pa_subscription_event_type_t, std::uint32_t, void *self) {
                static_cast<PulseStream *>(self)->onSinksChanged();
            },
            this);
        unref(pa_context_subscribe(
            m_context,
            pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER),
            nullptr, nullptr));
        openStream();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        dropContext();
        break;
    default:
        break;
    }
}

void PulseStream::openStream()
{
    const pa_sample_spec sampleSpec { PA_SAMPLE_S16LE, std::uint32_t(m_player.format().sampleRate),
                                      std::uint8_t(m_player.format().channels) };
    m_stream = pa_stream_new(m_context, "Cues", &sampleSpec, nullptr);
    if (!m_stream) {
        retryLater();
        return;
    }
    pa_stream_set_state_callback(
        m_stream,
        [](pa_stream *, void *self) { static_cast<PulseStream *>(self)->onStreamState(); }, this);
    pa_stream_set_write_callback(
        m_stream,
        [](pa_stream *, std::size_t, void *self) { static_cast<PulseStream *>(self)->fill(); },
        this);
    // The server's own rule for these fields: the output holds the target length less two
    // requests, the rest waits in the stream's queue where it can still be written over.
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(pa_usec_to_bytes(SinkLatencyUs + 2 * RequestUs, &sampleSpec));
    attr.prebuf = 0; // plays from the moment it is uncorked, and never stalls to refill
    attr.minreq = std::uint32_t(pa_usec_to_bytes(RequestUs, &sampleSpec));
    attr.fragsize = std::uint32_t(-1);
    // No device name: the server places the stream on the default output and moves it
    // when outputs come and go.
    m_flow = Flow::Corked;
    m_playingAfterWrite = false;
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_START_CORKED, nullptr,
                                   nullptr)
        < 0) {
        dropStream();
        retryLater();
    }
}

void PulseStream::onStreamState()
{
    switch (pa_stream_get_state(m_stream)) {
    case PA_STREAM_READY:
        setReachable(true);
        if (pa_rtclock_now() < m_warmUntil)
            setFlow(Flow::Flowing);
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        // Killed with its output, or refused while there is none: try again on the next
        // output that appears, or after a while.
        dropStream();
        setReachable(false);
        retryLater();
        break;
    default:
        break;
    }
}

void PulseStream::onSinksChanged()
{
    if (!m_stream && m_context)
        openStream();
}

void PulseStream::dropStream()
{
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY)
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseStream::retryLater()
{
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), RetryUs);
    if (m_retry) {
        m_api->time_restart(m_retry, &when);
        return;
    }
    m_retry = m_api->time_new(
        m_api, &when,
        [](pa_mainloop_api *, pa_time_event *, const timeval *, void *self) {
            static_cast<PulseStream *>(self)->onRetry();
        },
        this);
}

void PulseStream::onRetry()
{
    if (!m_context)
        connectContext();
    else if (!m_stream && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        openStream();
}

bool PulseStream::streamReady() const
{
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

void PulseStream::fill()
{
    if (!streamReady())
        return;
    const bool playing = m_player.isSounding();
    if (m_playingAfterWrite && !playing) {
        // Silenced: what is buffered of the cue must not play on.
        rewriteFromReadPosition();
    } else {
        // A cue that has just begun is written at the read position once its start is
        // announced; appending it here would put it behind the buffered silence.
        append(pa_stream_writable_size(m_stream),
               playing && !m_playingAfterWrite ? Source::Silence : Source::Player);
    }
    coolWhenDone();
}

void PulseStream::append(std::size_t bytes, Source source)
{
    const std::size_t frame = sizeof(std::int16_t) * std::size_t(m_player.format().channels);
    bytes = bytes / frame * frame;
    if (bytes == 0 || bytes == std::size_t(-1))
        return;
    m_chunk.resize(bytes / sizeof(std::int16_t));
    if (source == Source::Player)
        m_playingAfterWrite = m_player.render(m_chunk);
    else
        std::fill(m_chunk.begin(), m_chunk.end(), std::int16_t(0));
    pa_stream_write(m_stream, m_chunk.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE);
}

void PulseStream::rewriteFromReadPosition()
{
    if (!streamReady())
        return;
    const pa_buffer_attr *attr = pa_stream_get_buffer_attr(m_stream);
    const std::size_t frame = sizeof(std::int16_t) * std::size_t(m_player.format().channels);
    const std::size_t bytes = attr ? attr->tlength / frame * frame : 0;
    if (bytes == 0)
        return;
    m_chunk.resize(bytes / sizeof(std::int16_t));
    m_playingAfterWrite = m_player.render(m_chunk);
    // Replaces everything queued from the next sample the output takes; the server keeps
    // its count of what is missing from the write position, so later appends follow on.
    pa_stream_write(m_stream, m_chunk.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE_ON_READ);
}

void PulseStream::warmFor(std::uint64_t usec)
{
    m_warmUntil = std::max(m_warmUntil, pa_rtclock_now() + usec);
    if (streamReady())
        setFlow(Flow::Flowing);
}

void PulseStream::coolWhenDone()
{
    if (m_playingAfterWrite)
        warmFor(WarmUs);
    else if (m_flow == Flow::Flowing && pa_rtclock_now() >= m_warmUntil)
        setFlow(Flow::Corked);
}

void PulseStream::setFlow(Flow flow)
{
    if (flow == m_flow)
        return;
    m_flow = flow;
    unref(pa_stream_cork(m_stream, flow == Flow::Corked ? 1 : 0, nullptr, nullptr));
}

void PulseStream::setReachable(bool reachable)
{
    if (reachable == m_reachable)
        return;
    m_reachable = reachable;
    if (m_onReachable)
        m_onReachable(reachable);
}

} // namespace zentrel
