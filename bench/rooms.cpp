// Prints the delay from a leader's publish to each follower's receipt, with 1 and with 20
// followers in this process, through a private mosquitto on loopback, and the CPU time per
// follower while the leader sends one message a second.
//   bench_rooms [messages] [cpu-seconds]
#include "../tests/circuit/testbroker.h"

#include "circuit/roomfollower.h"
#include "circuit/roomleader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

using namespace zentrel;

namespace {
double processCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Circuit
{
    std::unique_ptr<RoomLeader> leader;
    std::vector<std::unique_ptr<RoomFollower>> followers;
    int received = 0;
    int expected = 0;
    QEventLoop *waiting = nullptr;
    std::vector<double> delaysMs;
    QElapsedTimer clock;
    qint64 sentAtNs = 0;
};

std::unique_ptr<Circuit> linkedCircuit(const TestBroker &broker, const QString &name, int followers)
{
    auto c = std::make_unique<Circuit>();
    c->clock.start();
    c->leader = std::make_unique<RoomLeader>(broker.login(name));
    for (int i = 0; i < followers; ++i) {
        auto f
            = std::make_unique<RoomFollower>(broker.login(name), QStringLiteral("Room %1").arg(i));
        QObject::connect(f.get(), &RoomFollower::stateReceived, f.get(), [c = c.get()] {
            c->delaysMs.push_back((c->clock.nsecsElapsed() - c->sentAtNs) / 1e6);
            if (++c->received == c->expected && c->waiting)
                c->waiting->quit();
        });
        f->start();
        c->followers.push_back(std::move(f));
    }
    c->leader->start();
    QTest::qWaitFor(
        [&] {
            return c->leader->state() == LeaderState::Leading
                && c->leader->followerCount() == followers;
        },
        20000);
    QTest::qWait(500);
    return c;
}

ClockState tick(int n)
{
    ClockState s;
    s.Phase = Phase::Examination;
    s.RemainingMinutes = std::int16_t(n / 60 % 60);
    s.RemainingSeconds = std::int16_t(n % 60);
    s.PhaseDurations = { 1, 0, 1, 0, 5, 0, 1, 0 };
    s.Timer = TimerRun::Running;
    return s;
}

void measureDelay(const TestBroker &broker, int followers, int messages)
{
    auto c = linkedCircuit(broker, QStringLiteral("delay%1").arg(followers), followers);
    c->delaysMs.clear();
    for (int n = 1; n <= messages; ++n) {
        // An event loop, not a polling wait, so that each receipt is taken as it is posted.
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        c->waiting = &loop;
        c->received = 0;
        c->expected = followers;
        c->sentAtNs = c->clock.nsecsElapsed();
        c->leader->publish(tick(n));
        loop.exec();
        c->waiting = nullptr;
        QTest::qWait(20); // spacing, as between ticks
    }
    std::vector<double> &d = c->delaysMs;
    std::sort(d.begin(), d.end());
    if (d.empty())
        return;
    const auto at = [&](double q) {
        return d[std::min(d.size() - 1, std::size_t(q * double(d.size())))];
    };
    std::printf("publish to receipt, %2d follower(s), %zu receipts: median %.2f ms, p99 %.2f ms, "
                "worst %.2f ms\n",
                followers, d.size(), at(0.5), at(0.99), d.back());
}

void measureCpu(const TestBroker &broker, int followers, int seconds)
{
    auto c = linkedCircuit(broker, QStringLiteral("cpu%1").arg(followers), followers);
    const double before = processCpuMs();
    for (int n = 1; n <= seconds; ++n) {
        c->leader->publish(tick(n));
        QTest::qWait(1000);
    }
    const double spent = processCpuMs() - before;
    std::printf(
        "CPU with %d followers and their leader in one process, one message a second for %d s: "
        "%.3f ms a second in all, %.3f ms a second (%.4f %% of a core) per follower\n",
        followers, seconds, spent / seconds, spent / seconds / followers,
        spent / seconds / followers / 10.0);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 300;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    TestBroker broker;
    if (!broker.start()) {
        std::printf("could not start mosquitto\n");
        return 1;
    }
    measureDelay(broker, 1, messages);
    measureDelay(broker, 20, messages);
    measureCpu(broker, 20, seconds);
    return 0;
}
