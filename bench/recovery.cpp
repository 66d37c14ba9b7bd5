// Prints how soon the stream is ready again after the output or the whole sound server
// comes back, how late the first cue due 2 s after the return is heard, and what the cue
// calls cost inside a 100 ms tick while the server is away and while it returns. Starts its
// own PulseAudio with null sinks; needs pulseaudio and parec. (A fresh null sink plays its
// first two seconds as one block of silence, so no cue can be heard on it sooner.)
//
//   recovery [rounds]      (default 5 of each)

#include "pulseserver.h"
#include "sound/soundsystem.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zentrel;

namespace {
enum class Outage { Output, Server };
enum class Stage { Steady, Away, Returning };

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Whether the server accepts connections yet; never blocks.
bool answering(const QString &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    std::copy_n(name.constData(), std::min<qsizetype>(name.size(), sizeof address.sun_path - 1),
                address.sun_path);
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

struct Round
{
    double reachableMs = -1;
    double heardMs = -1;
};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!PulseServer::installed()) {
        std::printf("recovery: pulseaudio is not installed; nothing measured\n");
        return 0;
    }
    PulseServer server;
    server.useHere();
    if (!server.start()) {
        std::printf("recovery: the private server did not start; nothing measured\n");
        return 0;
    }
    SoundSystem sound;
    CuePlayer &cues = sound.player();

    // The clock's part: every 100 ms tick gives notice; while the server is away each tick
    // also plays a cue, and after the return the first tick 2 s on does. All timed.
    Stage stage = Stage::Steady;
    std::vector<double> awayUs, returningUs;
    QElapsedTimer back;
    qint64 playedNs = -1;
    MonitorRecorder *room = nullptr;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const bool play = stage == Stage::Away
            || (stage == Stage::Returning && playedNs < 0 && back.elapsed() >= 2000);
        QElapsedTimer t;
        t.start();
        cues.keepWarm();
        if (play)
            cues.play(CueVoice::Announcement, QStringLiteral("yomu.wav"));
        const double us = double(t.nsecsElapsed()) / 1000.0;
        if (play && stage == Stage::Returning) {
            playedNs = back.nsecsElapsed();
            room->arm();
        }
        if (stage == Stage::Away)
            awayUs.push_back(us);
        else if (stage == Stage::Returning)
            returningUs.push_back(us);
    });

    std::printf("recovery, 100 ms ticks; times from the output's or the server's return\n");
    int sinkNumber = 0;
    QString sink = QStringLiteral("first");
    for (Outage outage : { Outage::Output, Outage::Server }) {
        std::vector<Round> results;
        for (int round = 0; round < rounds; ++round) {
            tick.stop();
            wait(3000); // the last cue plays out
            tick.start(100);
            stage = Stage::Away;
            if (outage == Outage::Output)
                server.removeAllSinks();
            else
                server.stop();
            wait(2000);

            playedNs = -1;
            if (outage == Outage::Output) {
                sink = QStringLiteral("out%1").arg(++sinkNumber);
                back.start();
                server.addSink(sink);
                server.setDefaultSink(sink);
            } else {
                server.launch(sink);
                while (!answering(server.socket()))
                    wait(1);
                back.start();
            }
            stage = Stage::Returning;
            Round result;
            auto connection = QObject::connect(
                &sound.output(), &PulseOutput::soundReachableChanged, &app, [&](bool reachable) {
                    if (reachable)
                        result.reachableMs = double(back.nsecsElapsed()) / 1e6;
                });
            MonitorRecorder recorder;
            recorder.start(sink);
            room = &recorder;
            while (recorder.firstSoundNs() < 0 && back.elapsed() < 10000)
                wait(2);
            if (recorder.firstSoundNs() >= 0 && playedNs >= 0) {
                const qint64 heardNs
                    = back.nsecsElapsed() - (recorder.nowNs() - recorder.firstSoundNs());
                result.heardMs = double(heardNs - playedNs) / 1e6;
            }
            QObject::disconnect(connection);
            room = nullptr;
            stage = Stage::Steady;
            results.push_back(result);
        }
        std::vector<double> reachable, heard;
        for (const Round &r : results) {
            if (r.reachableMs >= 0)
                reachable.push_back(r.reachableMs);
            if (r.heardMs >= 0)
                heard.push_back(r.heardMs);
        }
        std::printf(
            "  %s back (%d rounds): stream ready after median %.0f ms (worst %.0f); "
            "the cue due 2 s later heard %.0f ms after its tick (worst %.0f), in %zu of %d\n",
            outage == Outage::Output ? "output" : "server", rounds, percentile(reachable, 0.5),
            percentile(reachable, 1.0), percentile(heard, 0.5), percentile(heard, 1.0),
            heard.size(), rounds);
        std::fflush(stdout);
    }
    tick.stop();
    std::printf("  cue calls in the tick: while away median %.0f us, worst %.0f us; while "
                "returning median %.0f us, worst %.0f us\n",
                percentile(awayUs, 0.5), percentile(awayUs, 1.0), percentile(returningUs, 0.5),
                percentile(returningUs, 1.0));
    return 0;
}
