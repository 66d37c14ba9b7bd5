// Prints how far a following room's read-outs lag its leader's when every chunk between the
// follower and the broker is delayed by 300 ms ± 200 ms (FlakyProxy), at 999 ms ticks: for
// each count the leader shows, the time until the follower shows it (median, p99, worst),
// and how many 「同期なし」 episodes the follower had.
//   bench_network [seconds]     default 600
#include "../tests/circuit/testbroker.h"
#include "../tests/support/flakyproxy.h"
#include "../tests/support/recorder.h"

#include "app/program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <map>

using namespace zentrel;

namespace {
struct Silent : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
};

// When each count was first shown, by phase and seconds left.
struct Shown
{
    std::map<int, qint64> firstMs;
    void watch(ExamClock &clock, const QElapsedTimer &since)
    {
        QObject::connect(&clock, &ExamClock::changed, &clock, [this, &since](const ClockChange &c) {
            if (c.writesCount() && c.state.Phase != Phase::Reset)
                firstMs.emplace(int(c.state.Phase) * 10000 + c.state.RemainingMinutes * 60
                                    + c.state.RemainingSeconds,
                                since.elapsed());
        });
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    TestBroker broker;
    if (!broker.start())
        return 1;
    FlakyProxy proxy(quint16(broker.port()));
    proxy.setLatency(300, 200);
    QTemporaryDir leaderDir, followerDir;
    Silent messages;
    QElapsedTimer since;
    since.start();
    Program leader({ TickDrive::Timer,
                     messages,
                     leaderDir.path(),
                     leaderDir.path(),
                     QDBusConnection(QString()),
                     {},
                     RoomLink { RoleKind::Lead, broker.login(u"bench"_qs), {} } });
    Program follower({ TickDrive::Timer,
                       messages,
                       followerDir.path(),
                       followerDir.path(),
                       QDBusConnection(QString()),
                       {},
                       RoomLink { RoleKind::Follow,
                                  broker.login(u"bench"_qs, {}, {}, u"127.0.0.1"_qs, proxy.port()),
                                  u"101"_qs } });
    Shown led, followed;
    led.watch(leader.clock(), since);
    followed.watch(follower.clock(), since);
    int episodes = 0;
    Presence was = Presence::Absent;
    QObject::connect(&follower.role(), &RoomRole::statusChanged, &app, [&] {
        const Presence now = follower.role().outOfStep();
        episodes += std::exchange(was, now) == Presence::Absent && now == Presence::Present;
    });
    leader.startUp();
    follower.startUp();
    // 60 minutes of examination: one phase for the whole run.
    QTest::qWait(3000);
    leader.clock().start(boxesOf(u"0,0,0,0,60,0,0,0"_qs));
    const qint64 startedMs = since.elapsed();
    QTest::qWait(seconds * 1000);
    std::vector<qint64> lags;
    for (const auto &[count, ms] : led.firstMs) {
        const auto shown = followed.firstMs.find(count);
        if (ms > startedMs + 2000 && shown != followed.firstMs.end())
            lags.push_back(shown->second - ms);
    }
    std::sort(lags.begin(), lags.end());
    if (lags.empty())
        return 1;
    const auto at = [&](double q) {
        return lags[std::size_t(q * double(lags.size() - 1))];
    };
    std::printf("network: %d s at 999 ms ticks, 300±200 ms a chunk to the follower\n", seconds);
    std::printf(
        "  follower read-out lag over %zu counts: median %lld ms, p99 %lld ms, worst %lld ms\n",
        lags.size(), (long long)at(0.5), (long long)at(0.99), (long long)lags.back());
    std::printf("  counts the follower never showed: %zu; 「同期なし」 episodes: %d\n",
                led.firstMs.size() - std::min(led.firstMs.size(), followed.firstMs.size()),
                episodes);
    return 0;
}
