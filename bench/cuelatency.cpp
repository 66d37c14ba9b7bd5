// Prints the time from PlayPhaseCue to the first audible samples at the sound server,
// and the time the call itself takes inside the tick. Needs a PulseAudio server; see
// bench/run-benchmarks.sh, which starts one with a null sink.
//
//   cuelatency [cues-per-gap] [gap-seconds...]
// Default: 20 cues after 0.5, 5 and 60 s of silence, each with the four seconds' notice
// the clock gives, then 20 after 10 s without notice (a negative gap).

#include "sound/soundsystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace zentrel;

namespace {
constexpr int Rate = 48000;
constexpr int Threshold = 300; // 16-bit amplitude that counts as sound

struct Recorder
{
    QProcess parec;
    QElapsedTimer clock;
    qint64 lastSoundNs = -1;
    qint64 firstSoundAfterNs = -1;
    qint64 armedAtNs = -1;

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
        const QByteArray chunk = parec.readAllStandardOutput();
        const qint64 now = clock.nsecsElapsed();
        const auto *s = reinterpret_cast<const std::int16_t *>(chunk.constData());
        bool loud = false;
        for (qsizetype i = 0; i < chunk.size() / 2; ++i)
            loud |= std::abs(int(s[i])) > Threshold;
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
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int cues = args.isEmpty() ? 20 : args[0].toInt();
    // A negative gap plays without notice, on a stream that has cooled down.
    std::vector<double> gaps = { 0.5, 5.0, 60.0, -10.0 };
    if (args.size() > 1) {
        gaps.clear();
        for (const QString &g : args.mid(1))
            gaps.push_back(g.toDouble());
    }

    SoundSystem sound;
    CueOutlet &players = sound.cues();
    players.initCuePlayers();
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

    std::vector<double> handlerUs;
    std::printf(
        "cue latency, PlayPhaseCue to first audible samples at the server (%d cues a row)\n", cues);
    for (double gap : gaps) {
        std::vector<double> latencies;
        for (int i = 0; i < cues; ++i) {
            // Wait for silence, then the gap, then play. Like the clock, give the sound
            // path two seconds' notice; a negative gap plays without notice.
            while (recorder.lastSoundNs >= 0
                   && recorder.clock.nsecsElapsed() - recorder.lastSoundNs < 100'000'000)
                wait(20);
            const int gapMs = int(std::abs(gap) * 1000);
            const int noticeMs = gap < 0 ? 0 : std::min(gapMs, 2000);
            wait(gapMs - noticeMs);
            if (gap >= 0)
                players.prepareForCue();
            wait(noticeMs);
            players.setPhaseCueFile(QStringLiteral("yomu.wav"));
            recorder.firstSoundAfterNs = -1;
            const qint64 called = recorder.clock.nsecsElapsed();
            recorder.armedAtNs = called;
            players.playPhaseCue();
            handlerUs.push_back(double(recorder.clock.nsecsElapsed() - called) / 1000.0);
            QElapsedTimer timeout;
            timeout.start();
            while (recorder.firstSoundAfterNs < 0 && timeout.elapsed() < 3000)
                wait(2);
            recorder.armedAtNs = -1;
            if (recorder.firstSoundAfterNs >= 0)
                latencies.push_back(double(recorder.firstSoundAfterNs - called) / 1e6);
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
    std::printf("  PlayPhaseCue in the handler: median %.0f us, worst %.0f us\n", median(handlerUs),
                *std::max_element(handlerUs.begin(), handlerUs.end()));
    recorder.parec.kill();
    recorder.parec.waitForFinished();
    return 0;
}
