// Prints the delay from the leading program's read-out (its Form1::secondsShown) to each
// following program's, with 1 and with 20 following programs (offscreen, in this process),
// through a private mosquitto on loopback; then the CPU time of one following program, in a
// process of its own, while it follows a clock that ticks every second.
//   bench_room_windows [ticks] [cpu-seconds]
#include "../tests/circuit/testbroker.h"

#include "circuit/leadingrole.h"
#include "app/program.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace zentrel;

namespace {
const char *const FollowerChildVariable = "ZENTREL_BENCH_FOLLOWER";

struct AnswerOk : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
};

// One program with its real timer, in a folder of its own whose setting.txt has this tick
// period and an hour of Moving, so no phase ends while measuring.
struct Room
{
    QTemporaryDir dir;
    AnswerOk messages;
    std::unique_ptr<Program> program;

    Room(const RoomLink &link, int intervalMs)
    {
        if (QFile file(dir.filePath(QStringLiteral("setting.txt")));
            file.open(QIODevice::WriteOnly)) {
            QByteArray text = "\"Setting DATA\r\n"
                + QByteArray::number(intervalMs).rightJustified(4) + ":interval of one second\r\n";
            for (const char *value : { "60", " 0", " 1", " 0", " 5", " 0", " 1", " 0" })
                text += QByteArray(value) + ":length\r\n";
            file.write(text + "end\r\n\r\n\"\r\n");
        }
        program = std::make_unique<Program>(ProgramParts { TickDrive::Timer, messages, dir.path(),
                                                           dir.path(), QDBusConnection(QString()),
                                                           {}, link });
        program->startUp();
        program->window().show();
    }
    QString shown() const
    {
        return program->window().label(Label::Minutes)->text() + u':'
            + program->window().label(Label::Seconds)->text();
    }
    void start() { static_cast<QPushButton *>(program->window().control(Control::Start))->click(); }
};

RoomLink link(RoleKind role, const BrokerLogin &login, int room = 0)
{
    return { role, login, QStringLiteral("Room %1").arg(room) };
}

bool leadingWith(Room &leader, int followers)
{
    return QTest::qWaitFor(
        [&] {
            const RoomLeader &l = static_cast<const LeadingRole &>(leader.program->role()).leader();
            return l.state() == LeaderState::Leading && l.followerCount() == followers;
        },
        20000);
}

void measureDelay(const TestBroker &broker, int followers, int ticks)
{
    const BrokerLogin login = broker.login(QStringLiteral("windows%1").arg(followers));
    Room leader(link(RoleKind::Lead, login), 100);
    std::vector<std::unique_ptr<Room>> rooms;
    for (int i = 0; i < followers; ++i)
        rooms.push_back(std::make_unique<Room>(link(RoleKind::Follow, login, i), 100));
    if (!leadingWith(leader, followers)) {
        std::printf("the followers did not all join\n");
        return;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 shownAtNs = 0;
    int tick = 0;
    QString leaderShows;
    std::vector<double> delaysMs;
    QEventLoop loop;
    QObject::connect(&leader.program->window(), &Form1::secondsShown, &loop, [&] {
        if (leader.program->clock().state().Timer == TimerRun::Running && ++tick <= ticks) {
            shownAtNs = clock.nsecsElapsed();
            leaderShows = leader.shown();
        } else if (tick > ticks) {
            leader.program->clock().pause();
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
        }
    });
    std::vector<int> seen(rooms.size(), 0); // the leader's tick each room last showed
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        Room &room = *rooms[i];
        QObject::connect(&room.program->window(), &Form1::secondsShown, &loop, [&, i] {
            if (tick > 0 && tick <= ticks && seen[i] != tick && rooms[i]->shown() == leaderShows) {
                seen[i] = tick;
                delaysMs.push_back(double(clock.nsecsElapsed() - shownAtNs) / 1e6);
            }
        });
    }
    leader.start();
    loop.exec();
    std::sort(delaysMs.begin(), delaysMs.end());
    if (delaysMs.empty())
        return;
    const auto at = [&](double q) {
        return delaysMs[std::min(delaysMs.size() - 1, std::size_t(q * double(delaysMs.size())))];
    };
    std::printf("leader's read-out to follower's, %2d follower window(s), %zu of %d read-outs: "
                "median %.2f ms, p99 %.2f ms, worst %.2f ms\n",
                followers, delaysMs.size(), ticks * followers, at(0.5), at(0.99), delaysMs.back());
}

// The CPU time of all a process's threads, in nanoseconds.
double cpuNs(qint64 pid)
{
    double ns = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (file.open(QIODevice::ReadOnly))
            ns += file.readAll().split(' ').value(0).toDouble();
    }
    return ns;
}

void measureFollowerCpu(const TestBroker &broker, int seconds)
{
    const BrokerLogin login = broker.login(QStringLiteral("cpu"));
    Room leader(link(RoleKind::Lead, login), 999);
    leader.start();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(FollowerChildVariable), broker.url(QStringLiteral("cpu")));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!leadingWith(leader, 1)) {
        std::printf("the follower did not join\n");
        return;
    }
    QTest::qWait(3000); // start-up over
    const double before = cpuNs(child.processId());
    QTest::qWait(seconds * 1000);
    const double spent = cpuNs(child.processId()) - before;
    std::printf("one follower window (its own process) while counting for %d s: CPU %.3f %% of "
                "a core (%.2f ms a second)\n",
                seconds, spent / 1e7 / seconds, spent / 1e6 / seconds);
    child.kill();
    child.waitForFinished(5000);
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsSet(FollowerChildVariable)) {
        const QString url = qEnvironmentVariable(FollowerChildVariable);
        Room follower(
            link(RoleKind::Follow, brokerLogin(parseBrokerAddress(url).value, {}, {}).value), 999);
        return QCoreApplication::exec();
    }
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 300;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    TestBroker broker;
    if (!broker.start()) {
        std::printf("could not start mosquitto\n");
        return 1;
    }
    measureDelay(broker, 1, ticks);
    measureDelay(broker, 20, ticks);
    measureFollowerCpu(broker, seconds);
    return 0;
}
