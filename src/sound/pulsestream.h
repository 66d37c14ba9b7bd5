#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

struct pa_context;
struct pa_io_event;
struct pa_mainloop_api;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

namespace zentrel {

class CuePlayer;

// The player as one playback stream on the sound server's default output. It runs on
// libpulse's own thread (a pa_threaded_mainloop): the player renders there under its own
// mutex, and the caller's thread never takes the loop's lock or waits for the server.
// Server and stream are made again whenever they go away, so the stream follows the
// outputs and survives a restarted server.
//
// While warm the stream keeps a long buffer of silence on the server and is topped up
// only when the server asks (every RequestMs); a cue that starts is written over that
// silence at the server's read position, so it is heard after the output's own short
// latency rather than after the whole buffer. Corked otherwise.
class PulseStream
{
public:
    using ReachableHandler = std::function<void(bool reachable)>;

    // onReachable runs on libpulse's thread, once for each change.
    PulseStream(CuePlayer &player, ReachableHandler onReachable);
    ~PulseStream();
    PulseStream(const PulseStream &) = delete;
    PulseStream &operator=(const PulseStream &) = delete;

    // Both return at once from any thread: they set a flag and wake libpulse's thread.
    void keepWarm();
    void cueStarted();

private:
    enum class Source { Player, Silence };
    enum class Flow { Corked, Flowing };

    void wake();
    void onWake();
    void connectContext();
    void onContextState();
    void dropContext();
    void openStream();
    void onStreamState();
    void onSinksChanged();
    void dropStream();
    void retryLater();
    void onRetry();
    void fill();
    void append(std::size_t bytes, Source source);
    void rewriteFromReadPosition();
    void warmFor(std::uint64_t usec);
    void coolWhenDone();
    void setFlow(Flow flow);
    void setReachable(bool reachable);
    bool streamReady() const;

    CuePlayer &m_player;
    ReachableHandler m_onReachable;
    int m_wakeFd = -1;
    std::atomic<bool> m_warmAsked { false };
    std::atomic<unsigned> m_cueStarts { 0 };

    // Everything below belongs to libpulse's thread.
    pa_threaded_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_io_event *m_wakeEvent = nullptr;
    pa_time_event *m_retry = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    unsigned m_cueStartsSeen = 0;
    std::uint64_t m_warmUntil = 0; // on libpulse's monotonic clock, in microseconds
    Flow m_flow = Flow::Corked;
    bool m_playingAfterWrite = false;
    bool m_reachable = false;
    std::vector<std::int16_t> m_chunk;
};

} // namespace zentrel
