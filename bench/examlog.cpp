// The session log's cost to its caller: the time record() takes on the caller's thread,
// on a quiet disk and while another writer keeps the disk busy with fsync.
//   examlog [calls]      (default 20000 for each of the two runs)

#include "examlog/sessionlog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zentrel;

namespace {
using Clock = std::chrono::steady_clock;

void run(const char *label, SessionLog &log, int calls)
{
    std::vector<double> us;
    us.reserve(std::size_t(calls));
    const QString detail = cueDetail(QStringLiteral("sec30.wav"), CueSource::BuiltIn);
    for (int i = 0; i < calls; ++i) {
        const auto start = Clock::now();
        log.record(SessionEvent::Cue, { QStringLiteral("試験時間"), 0, 30 }, detail);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // events come apart
    }
    const auto drainStart = Clock::now();
    log.waitUntilWritten();
    const double drainMs
        = std::chrono::duration<double, std::milli>(Clock::now() - drainStart).count();
    std::sort(us.begin(), us.end());
    std::printf("  %s: %d calls, record() median %.2f us, p99 %.2f us, worst %.1f us; "
                "left to write at the end %.1f ms\n",
                label, calls, us[us.size() / 2], us[std::size_t(0.99 * double(us.size()))],
                us.back(), drainMs);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    QTemporaryDir dir;
    SessionLog log(dir.path());
    std::printf("session log (%s):\n", qPrintable(dir.path()));
    run("quiet disk", log, calls);

    // Another writer: 1 MiB at a time, each made durable before the next.
    std::atomic<bool> stop = false;
    std::thread busy([&] {
        QFile file(dir.filePath(QStringLiteral("busy.bin")));
        if (!file.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; !stop; ++i) {
            if (i % 64 == 0)
                file.resize(0);
            file.write(block);
            file.flush();
            ::fsync(file.handle());
        }
    });
    run("busy disk (fsync every MiB)", log, calls);
    stop = true;
    busy.join();
    return 0;
}
