// Prints the time from PlayPhaseCue to the first audible samples at the sound server,
// and the time the call itself takes inside the tick. Needs a PulseAudio server; see
// bench/run-benchmarks.sh, which starts one with a null sink.
//
//   cuelatency [cues-per-gap] [gap-seconds...]
// Default: 20 cues after 0.5, 5 and 60 s of silence, each with the four seconds' notice
// the clock gives, then 20 after 10 s without notice (a negative gap).
//
//   cuelatency --busy [cues]
// Plays a 1.5 s tone as the cue (default 10 times) while every core spins, and counts the
// gaps heard inside it.

#include "sound/soundsystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

using namespace zentrel;

namespace {
constexpr int Rate = 48000;
constexpr int Threshold = 300; // 16-bit amplitude that counts as sound
constexpr double ToneSeconds = 1.5;
constexpr double ToneHz = 1000.0;
constexpr double ToneAmplitude = 16000.0; // a sine this loud is never quiet for two samples
constexpr std::size_t GapSamples = Rate * 2 / 1000; // a quiet run longer than 2 ms is a gap

struct Recorder
{
    QProcess parec;
    QElapsedTimer clock;
    qint64 lastSoundNs = -1;
    qint64 firstSoundAfterNs = -1;
    qint64 armedAtNs = -1;
    bool keepSamples = false;
    std::vector<std::int16_t> samples; // everything heard, when keepSamples
    QByteArray odd; // a byte of a sample split across two reads

    bool start(const QString &source)
    {
        parec.start(QStringLiteral("parec"),
                    { QStringLiteral("--latency-msec=10"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                      QStringLiteral("--raw"), QStringLiteral("-d"), source });
        QObject::connect(&parec, &QProcess::readyReadStandardOutput, &parec, [this] { read(); });
        clock.start();
        return parec.waitForStarted(3000);
    }
    void read()
    {
        const QByteArray chunk = odd + parec.readAllStandardOutput();
        const qint64 now = clock.nsecsElapsed();
        const auto *s = reinterpret_cast<const std::int16_t *>(chunk.constData());
        const qsizetype count = chunk.size() / 2;
        odd = chunk.right(chunk.size() % 2);
        bool loud = false;
        for (qsizetype i = 0; i < count; ++i)
            loud |= std::abs(int(s[i])) > Threshold;
        if (keepSamples)
            samples.insert(samples.end(), s, s + count);
        if (!loud)
            return;
        lastSoundNs = now;
        if (armedAtNs >= 0 && firstSoundAfterNs < 0)
            firstSoundAfterNs = now;
    }
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void waitForSilence(const Recorder &recorder)
{
    while (recorder.lastSoundNs >= 0
           && recorder.clock.nsecsElapsed() - recorder.lastSoundNs < 100'000'000)
        wait(20);
}

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// A pure tone as a 16-bit stereo WAVE file: any gap in it is plain to hear and to find.
bool writeTone(const QString &path)
{
    const auto frames = quint32(ToneSeconds * Rate);
    const quint32 dataBytes = frames * 4;
    QByteArray wav("RIFF");
    appendLe(wav, 36 + dataBytes, 4);
    wav.append("WAVEfmt ");
    appendLe(wav, 16, 4);
    appendLe(wav, 1, 2); // PCM
    appendLe(wav, 2, 2);
    appendLe(wav, Rate, 4);
    appendLe(wav, Rate * 4, 4);
    appendLe(wav, 4, 2);
    appendLe(wav, 16, 2);
    wav.append("data");
    appendLe(wav, dataBytes, 4);
    for (quint32 i = 0; i < frames; ++i) {
        const auto v = quint16(std::int16_t(
            std::lround(ToneAmplitude * std::sin(2.0 * M_PI * ToneHz * double(i) / Rate))));
        appendLe(wav, v, 2);
        appendLe(wav, v, 2);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

// hardware_concurrency() + 1 threads spinning at normal priority, so every core is busy
// and the scheduler has more runnable threads than cores. They stop when this object goes
// or at the deadline, whichever is first.
class BusyCores
{
public:
    explicit BusyCores(std::chrono::seconds bound)
    {
        const auto until = std::chrono::steady_clock::now() + bound;
        const unsigned count = std::max(1u, std::thread::hardware_concurrency()) + 1;
        for (unsigned i = 0; i < count; ++i)
            m_threads.emplace_back([this, until] { spin(until); });
    }
    ~BusyCores()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
    }
    std::size_t count() const { return m_threads.size(); }

private:
    void spin(std::chrono::steady_clock::time_point until)
    {
        std::uint64_t x = 1;
        while (!m_stop.load(std::memory_order_relaxed)
               && std::chrono::steady_clock::now() < until) {
            for (int i = 0; i < 100'000; ++i)
                x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        }
        m_result += x; // keeps the loop from being optimised away
    }

    std::atomic<bool> m_stop { false };
    std::atomic<std::uint64_t> m_result { 0 };
    std::vector<std::thread> m_threads;
};

struct ToneHeard
{
    bool heard = false;
    double lengthMs = 0.0;
    int gaps = 0;
    double longestGapMs = 0.0;
};

// From the first to the last loud sample: the tone as heard, and its quiet runs.
ToneHeard findGaps(const std::int16_t *s, std::size_t n)
{
    const auto loud = [](std::int16_t v) {
        return std::abs(int(v)) > Threshold;
    };
    const auto first = std::find_if(s, s + n, loud);
    if (first == s + n)
        return {};
    const std::size_t begin = std::size_t(first - s);
    std::size_t end = n;
    while (!loud(s[end - 1]))
        --end;
    ToneHeard tone { true, double(end - begin) * 1000.0 / Rate };
    std::size_t quiet = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (!loud(s[i])) {
            ++quiet;
            continue;
        }
        if (quiet > GapSamples) {
            ++tone.gaps;
            tone.longestGapMs = std::max(tone.longestGapMs, double(quiet) * 1000.0 / Rate);
        }
        quiet = 0;
    }
    return tone;
}

// Plays the phase cue as the tick would and waits up to 3 s for the recorder to hear it.
// Returns the time the call took, in microseconds; adds the latency when the cue was heard.
double playAndHear(CuePlayer &players, Recorder &recorder, std::vector<double> &latencies)
{
    recorder.firstSoundAfterNs = -1;
    const qint64 called = recorder.clock.nsecsElapsed();
    recorder.armedAtNs = called;
    players.play(CueVoice::Announcement, QStringLiteral("yomu.wav"));
    const double callUs = double(recorder.clock.nsecsElapsed() - called) / 1000.0;
    QElapsedTimer timeout;
    timeout.start();
    while (recorder.firstSoundAfterNs < 0 && timeout.elapsed() < 3000)
        wait(2);
    recorder.armedAtNs = -1;
    if (recorder.firstSoundAfterNs >= 0)
        latencies.push_back(double(recorder.firstSoundAfterNs - called) / 1e6);
    return callUs;
}

void measureLatencies(CuePlayer &players, Recorder &recorder, int cues,
                      const std::vector<double> &gaps)
{
    std::vector<double> handlerUs;
    std::printf(
        "cue latency, PlayPhaseCue to first audible samples at the server (%d cues a row)\n", cues);
    for (double gap : gaps) {
        std::vector<double> latencies;
        for (int i = 0; i < cues; ++i) {
            // Wait for silence, then the gap, then play. Like the clock, give the sound
            // path two seconds' notice; a negative gap plays without notice.
            waitForSilence(recorder);
            const int gapMs = int(std::abs(gap) * 1000);
            const int noticeMs = gap < 0 ? 0 : std::min(gapMs, 2000);
            wait(gapMs - noticeMs);
            if (gap >= 0)
                players.keepWarm();
            wait(noticeMs);
            handlerUs.push_back(playAndHear(players, recorder, latencies));
            wait(2200); // let the cue play out
        }
        const double worst
            = latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end());
        std::printf(
            "  after %5.1f s of silence%s: median %6.1f ms, worst %6.1f ms, heard %zu of %d\n",
            std::abs(gap), gap < 0 ? ", no notice" : "", median(latencies), worst, latencies.size(),
            cues);
        std::fflush(stdout);
    }
    if (!handlerUs.empty())
        std::printf("  PlayPhaseCue in the handler: median %.0f us, worst %.0f us\n",
                    median(handlerUs), *std::max_element(handlerUs.begin(), handlerUs.end()));
}

// The tone as the phase cue, played like the clock plays it (two seconds' notice after a
// few seconds of silence) while every core spins.
void measureUnderLoad(CuePlayer &players, Recorder &recorder, int cues)
{
    recorder.keepSamples = true;

    std::vector<double> latencies;
    std::vector<double> lengthsMs;
    int gaps = 0;
    int cuesWithGap = 0;
    double longestGapMs = 0.0;
    std::size_t spinning = 0;
    {
        BusyCores busy(std::chrono::seconds(cues * 12 + 10));
        spinning = busy.count();
        for (int i = 0; i < cues; ++i) {
            waitForSilence(recorder);
            wait(3000);
            players.keepWarm();
            wait(2000);
            recorder.samples.clear();
            playAndHear(players, recorder, latencies);
            QElapsedTimer timeout; // for the rest of the tone
            timeout.start();
            // The whole tone and a second after it, as far as the recording has it.
            const auto wanted = std::size_t((ToneSeconds + 1.0) * Rate);
            while (recorder.samples.size() < wanted && timeout.elapsed() < 6000)
                wait(20);
            const ToneHeard tone
                = findGaps(recorder.samples.data(), std::min(wanted, recorder.samples.size()));
            if (!tone.heard)
                continue;
            lengthsMs.push_back(tone.lengthMs);
            gaps += tone.gaps;
            cuesWithGap += tone.gaps > 0 ? 1 : 0;
            longestGapMs = std::max(longestGapMs, tone.longestGapMs);
        }
    }
    recorder.keepSamples = false;
    recorder.samples.clear();

    const auto [shortest, longest] = std::minmax_element(lengthsMs.begin(), lengthsMs.end());
    std::printf("cues under load: %zu threads spinning on %u cores, a %.1f s %.0f Hz tone as "
                "yomu.wav, 2 s notice\n",
                spinning, std::thread::hardware_concurrency(), ToneSeconds, ToneHz);
    std::printf("  heard %zu of %d; gaps over 2 ms: %d in %d cues, longest %.1f ms\n",
                lengthsMs.size(), cues, gaps, cuesWithGap, longestGapMs);
    if (!lengthsMs.empty())
        std::printf("  tone heard for %.1f to %.1f ms (%.0f ms played)\n", *shortest, *longest,
                    ToneSeconds * 1000.0);
    std::printf("  latency under load: median %.1f ms, worst %.1f ms\n", median(latencies),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool underLoad = !args.isEmpty() && args[0] == u"--busy";
    if (underLoad)
        args.removeFirst();
    const int cues = args.isEmpty() ? (underLoad ? 10 : 20) : args[0].toInt();
    // A negative gap plays without notice, on a stream that has cooled down.
    std::vector<double> gaps = { 0.5, 5.0, 60.0, -10.0 };
    if (args.size() > 1) {
        gaps.clear();
        for (const QString &g : args.mid(1))
            gaps.push_back(g.toDouble());
    }

    // Under load the tone is the phase cue: an own recording in the current folder wins over
    // the built-in cue of that name, and is decoded when the sound starts.
    QTemporaryDir folder;
    if (underLoad) {
        if (!folder.isValid() || !writeTone(folder.filePath(QStringLiteral("yomu.wav")))) {
            std::printf("cues under load: could not write the tone; nothing measured\n");
            return 0;
        }
        QDir::setCurrent(folder.path());
    }
    SoundSystem sound;
    CuePlayer &players = sound.player();
    wait(500);
    if (!sound.output().soundReachable()) {
        std::printf("cue latency: no sound server reachable; nothing measured\n");
        return 0;
    }
    Recorder recorder;
    if (!recorder.start(QString::fromLocal8Bit(qgetenv("ZENTREL_MONITOR_SOURCE")))) {
        std::printf("cue latency: parec did not start; nothing measured\n");
        return 0;
    }
    wait(1000);

    if (underLoad)
        measureUnderLoad(players, recorder, cues);
    else
        measureLatencies(players, recorder, cues, gaps);
    recorder.parec.kill();
    recorder.parec.waitForFinished();
    return 0;
}
