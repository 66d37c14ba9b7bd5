// Prints the delay from the leading program's read-out (its Form1::secondsShown) to each
// following program's, with 1 and with 20 following programs (offscreen, in this process),
// through a private mosquitto on loopback; then the CPU time of one following program, in a
// process of its own, while it follows a clock that ticks every second.
//   bench_room_windows [ticks] [cpu-seconds]
// The same delay with many following programs, in child processes of `per-process` each:
//   bench_room_windows --processes processes per-process [ticks]
// A leader's and a follower's tick period, each in a process of its own, quiet and then under
// a flood of 10,000 messages a second on the circuit's topics from a client of this process's
// own, and their memory after the flood:
//   bench_room_windows --flood flood-seconds [quiet-seconds]
// The same with a flood of 10,000 unsigned probes and cleared presences a second under the
// leader's own id, with the follower's lag behind the leader's read-out:
//   bench_room_windows --probe-flood flood-seconds [quiet-seconds]
#include "../tests/circuit/testbroker.h"

#include "app/program.h"
#include "circuit/followingrole.h"
#include "circuit/leadingrole.h"
#include "circuit/messageseal.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mosquitto.h>
#include <thread>
#include <vector>

using namespace zentrel;

namespace {
// A child process's part: "MODE URL [N SECONDS]"; the circuit key, if any, comes in
// ZENTREL_CIRCUIT_KEY as for the program.
const char *const ChildVariable = "ZENTREL_BENCH_CHILD";
// Children end by themselves at the latest this long after starting.
constexpr int ChildDeadlineMs = 240'000;
// The flood's circuit key, so that forged clocks under the leader's own id are in the mix.
const QByteArray FloodKey = "bench-flood-circuit-key-0001";

struct AnswerOk : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
};

// Steady time shared by every process on the machine.
qint64 monotonicNs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

double percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
}

// This process's resident memory now and at its peak, in MB.
std::pair<double, double> residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    double now = 0, peak = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 1 && f[0] == "VmRSS:")
            now = f[1].toDouble() / 1024;
        else if (f.size() > 1 && f[0] == "VmHWM:")
            peak = f[1].toDouble() / 1024;
    }
    return { now, peak };
}

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
        program = std::make_unique<Program>(ProgramParts { TickDrive::Timer,
                                                           messages,
                                                           dir.path(),
                                                           dir.path(),
                                                           QDBusConnection(QString()),
                                                           {},
                                                           link });
        program->startUp();
        program->window().show();
    }
    QString shown() const
    {
        return program->window().label(Label::Minutes)->text() + u':'
            + program->window().label(Label::Seconds)->text();
    }
    // A leader's commands stay locked while it listens to the circuit.
    void start()
    {
        QTest::qWaitFor([this] { return program->role().controls() == ClockControls::Operable; },
                        10000);
        static_cast<QPushButton *>(program->window().control(Control::Start))->click();
    }
    bool running() const { return program->clock().state().Timer == TimerRun::Running; }
};

RoomLink link(RoleKind role, const BrokerLogin &login, int room = 0)
{
    return { role, login, QStringLiteral("Room %1").arg(room) };
}

bool leadingWith(Room &leader, int followers, int timeoutMs = 20000)
{
    return QTest::qWaitFor(
        [&] {
            const RoomLeader &l = static_cast<const LeadingRole &>(leader.program->role()).leader();
            return l.state() == LeaderState::Leading && l.followerCount() == followers;
        },
        timeoutMs);
}

std::unique_ptr<QProcess> startChild(const QString &part, const QByteArray &key = {})
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(ChildVariable), part);
    if (!key.isEmpty())
        environment.insert(QLatin1String(CircuitKeyVariable), QString::fromLatin1(key));
    child->setProcessEnvironment(environment);
    child->setProcessChannelMode(QProcess::SeparateChannels);
    // Should the bench itself crash, its children go with it.
    child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    child->start(QCoreApplication::applicationFilePath(), {});
    return child;
}

void finish(QProcess &child, int timeoutMs)
{
    if (!QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, timeoutMs)) {
        child.kill();
        child.waitForFinished(5000);
    }
}

void printDelays(std::vector<double> delaysMs, int followers, const char *where, int expected)
{
    std::sort(delaysMs.begin(), delaysMs.end());
    if (delaysMs.empty())
        return;
    std::printf("leader's read-out to follower's, %3d follower window(s)%s, %zu of %d read-outs: "
                "median %.2f ms, p99 %.2f ms, worst %.2f ms\n",
                followers, where, delaysMs.size(), expected, percentile(delaysMs, 0.5),
                percentile(delaysMs, 0.99), delaysMs.back());
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
        if (leader.running() && ++tick <= ticks) {
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
    printDelays(delaysMs, followers, "", ticks * followers);
}

// Child: `count` follower windows ticking every 100 ms; prints, for each read-out a window
// shows for the first time, "window read-out steady-ns". Ends once the leader has stopped.
int followMany(const BrokerLogin &login, int count, int index)
{
    std::vector<std::unique_ptr<Room>> rooms;
    std::vector<QSet<QString>> seen(count);
    QByteArray out;
    bool started = false;
    for (int i = 0; i < count; ++i) {
        rooms.push_back(
            std::make_unique<Room>(link(RoleKind::Follow, login, index * count + i), 100));
        QObject::connect(&rooms[i]->program->window(), &Form1::secondsShown, [&, i] {
            const qint64 ns = monotonicNs();
            const QString text = rooms[i]->shown();
            started = started || rooms[i]->running();
            if (rooms[i]->running() && !seen[i].contains(text)) {
                seen[i].insert(text);
                out += QByteArray::number(i) + ' ' + text.toLatin1() + ' ' + QByteArray::number(ns)
                    + '\n';
            }
        });
    }
    QTest::qWaitFor(
        [&] {
            return started && std::none_of(rooms.begin(), rooms.end(), [](const auto &r) {
                       return r->running();
                   });
        },
        ChildDeadlineMs);
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    return 0;
}

// 200 followers and more: `processes` children of `perProcess` follower windows each, the
// leader here; read-outs matched on the steady clock all processes share.
void measureDelayAcrossProcesses(const TestBroker &broker, int processes, int perProcess, int ticks,
                                 int intervalMs)
{
    const QString circuit = QStringLiteral("processes");
    Room leader(link(RoleKind::Lead, broker.login(circuit)), intervalMs);
    std::vector<std::unique_ptr<QProcess>> children;
    for (int p = 0; p < processes; ++p)
        children.push_back(startChild(
            QStringLiteral("many %1 %2 %3").arg(broker.url(circuit)).arg(perProcess).arg(p)));
    const int followers = processes * perProcess;
    if (!leadingWith(leader, followers, 120'000)) {
        std::printf("the followers did not all join\n");
        return;
    }
    QTest::qWait(1000);
    QHash<QString, qint64> leaderShownNs; // read-out -> when the leader showed it
    int tick = 0;
    QEventLoop loop;
    QObject::connect(&leader.program->window(), &Form1::secondsShown, &loop, [&] {
        const qint64 ns = monotonicNs();
        if (leader.running() && ++tick <= ticks) {
            leaderShownNs.insert(leader.shown(), ns);
        } else if (tick > ticks) {
            leader.program->clock().pause();
            loop.quit();
        }
    });
    leader.start();
    loop.exec();
    std::vector<double> delaysMs;
    for (auto &child : children) {
        finish(*child, 30'000);
        for (const QByteArray &line : child->readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() == 3 && leaderShownNs.contains(QString::fromLatin1(f[1])))
                delaysMs.push_back(
                    double(f[2].toLongLong() - leaderShownNs.value(QString::fromLatin1(f[1])))
                    / 1e6);
        }
    }
    printDelays(
        delaysMs, followers,
        qPrintable(
            QStringLiteral(" in %1 processes, ticking every %2 ms").arg(processes).arg(intervalMs)),
        ticks * followers);
}

// Child: one program leading or following at 100 ms; from `warmUp` after it runs, its tick
// period error at the read-out for `seconds`, then its memory. A leader stays a while
// longer, so that a follower started after it can finish its own measurement.
int measureTicks(const BrokerLogin &login, RoleKind role, int seconds)
{
    constexpr int WarmUpMs = 5000;
    constexpr int LeaderStaysMs = 10'000;
    Room room(link(role, login), 100);
    if (role == RoleKind::Lead) {
        if (!leadingWith(room, 0, 20000))
            return 1;
        room.start();
    }
    if (!QTest::qWaitFor([&] { return room.running(); }, 20000))
        return 1;
    std::printf("ready\n");
    QTest::qWait(WarmUpMs);
    std::vector<qint64> shownNs;
    QObject::connect(&room.program->window(), &Form1::secondsShown, [&] {
        shownNs.push_back(monotonicNs());
        std::printf("shown %s %lld\n", qPrintable(room.shown()), shownNs.back());
    });
    QTest::qWait(seconds * 1000);
    QObject::disconnect(&room.program->window(), &Form1::secondsShown, nullptr, nullptr);
    std::vector<double> errorsMs;
    for (std::size_t i = 1; i < shownNs.size(); ++i)
        errorsMs.push_back(std::abs(double(shownNs[i] - shownNs[i - 1]) / 1e6 - 100.0));
    const auto [rss, peak] = residentMb();
    int rejected = 0;
    if (role == RoleKind::Follow)
        rejected = static_cast<const FollowingRole &>(room.program->role())
                       .follower()
                       .rejectedMessages();
    else
        rejected
            = static_cast<const LeadingRole &>(room.program->role()).leader().rejectedMessages();
    std::printf("result %zu %.3f %.3f %.3f %.1f %.1f %d\n", shownNs.size(),
                percentile(errorsMs, 0.5), percentile(errorsMs, 0.99), percentile(errorsMs, 1.0),
                rss, peak, rejected);
    std::fflush(stdout);
    if (role == RoleKind::Lead)
        QTest::qWait(LeaderStaysMs);
    return 0;
}

// Publishes a mix of what a circuit must shrug off, `rate` messages a second in batches every
// 10 ms, on its own thread until stopped: well-formed messages under foreign topics and
// unsigned clocks, garbage on the circuit's own topics, clocks signed with the wrong key under
// the leader's own id and a little ahead of it, and forged leader and room presences.
enum class FloodKind { Mixed, Probes };

class Flood
{
public:
    Flood(const BrokerAddress &address, int rate, FloodKind kind = FloodKind::Mixed)
        : m_address(address)
        , m_rate(rate)
        , m_kind(kind)
    { }
    ~Flood() { stop(); }

    bool start()
    {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(newSecretClientId().constData(), true, this);
        if (!m_mosq
            || mosquitto_connect(m_mosq, m_address.host.toLatin1().constData(), m_address.port, 30)
                != MOSQ_ERR_SUCCESS)
            return false;
        m_leaderId = leaderId();
        if (m_leaderId.isEmpty() || mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS)
            return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop()
    {
        if (m_thread.joinable()) {
            m_stopping = true;
            m_thread.join();
        }
        if (m_mosq) {
            mosquitto_disconnect(m_mosq);
            mosquitto_loop_stop(m_mosq, false);
            mosquitto_destroy(m_mosq);
            m_mosq = nullptr;
        }
    }
    qint64 sent() const { return m_sent; }
    double seconds() const { return m_seconds; }

private:
    // The live leader's public id, from its retained presence.
    QByteArray leaderId()
    {
        const RoomTopics topics(m_address.circuit);
        QByteArray id;
        mosquitto_message_callback_set(m_mosq,
                                       [](mosquitto *, void *self, const mosquitto_message *m) {
                                           const QByteArray topic(m->topic);
                                           if (m->payloadlen > 0)
                                               static_cast<Flood *>(self)->m_heardLeader
                                                   = topic.mid(topic.lastIndexOf('/') + 1);
                                       });
        mosquitto_subscribe(m_mosq, nullptr, topics.leader("+").constData(), 0);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (m_heardLeader.isEmpty() && std::chrono::steady_clock::now() < until)
            mosquitto_loop(m_mosq, 100, 1);
        mosquitto_unsubscribe(m_mosq, nullptr, topics.leader("+").constData());
        mosquitto_message_callback_set(m_mosq, nullptr);
        return m_heardLeader;
    }

    void publish(const QByteArray &topic, const QByteArray &payload)
    {
        mosquitto_publish(m_mosq, nullptr, topic.constData(), int(payload.size()),
                          payload.constData(), 0, false);
        ++m_sent;
    }

    void run()
    {
        const RoomTopics topics(m_address.circuit);
        const QByteArray root = "zentrel/" + m_address.circuit.toLatin1() + '/';
        QRandomGenerator random(19);
        const auto garbage = [&] {
            QByteArray bytes(qsizetype(random.bounded(1, 400)), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            return bytes;
        };
        ClockState state;
        state.Phase = Phase::Moving;
        state.RemainingMinutes = 59;
        state.Timer = TimerRun::Running;
        const QByteArray wrongKey = "not-the-circuit-key-at-all-0001";
        const int perBatch = m_rate / 100;
        const auto begin = std::chrono::steady_clock::now();
        auto next = begin;
        for (std::uint32_t n = 0; !m_stopping; ++n) {
            const qint64 utc = QDateTime::currentMSecsSinceEpoch();
            for (int i = 0; i < perBatch && m_kind == FloodKind::Probes; ++i) {
                if (i % 2)
                    publish(topics.probe(m_leaderId), "{}");
                else
                    publish(topics.leader(m_leaderId), {});
            }
            for (int i = 0; i < perBatch && m_kind == FloodKind::Mixed; ++i) {
                const QByteArray other = QByteArray::number(random.generate(), 36);
                state.RemainingSeconds = std::int16_t(random.bounded(60));
                const QByteArray clock
                    = encodeClockMessage({ state, n * 1000 + std::uint32_t(i), m_leaderId });
                switch (i % 8) {
                case 0: // well-formed, foreign topic
                    publish(root + "status/" + other, clock);
                    break;
                case 1: // well-formed clock of no key from a stranger
                    publish(topics.clock(), encodeClockMessage({ state, std::uint32_t(i), other }));
                    break;
                case 2:
                    publish(topics.clock(), garbage());
                    break;
                case 3:
                    publish(i % 16 == 3 ? topics.leader(other) : topics.room(other), garbage());
                    break;
                case 4: // the leader's id, the wrong key
                case 5:
                    publish(topics.clock(), sealMessage(topics.clock(), clock, wrongKey, utc));
                    break;
                case 6:
                    publish(topics.room(other),
                            sealMessage(topics.room(other),
                                        encodeRoomPresence(QStringLiteral("Room ") + other),
                                        wrongKey, utc));
                    break;
                case 7:
                    publish(topics.leader(other), encodeLeaderPresence(other));
                    break;
                }
            }
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
        m_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }

    BrokerAddress m_address;
    int m_rate = 0;
    FloodKind m_kind = FloodKind::Mixed;
    mosquitto *m_mosq = nullptr;
    QByteArray m_heardLeader;
    QByteArray m_leaderId;
    std::thread m_thread;
    std::atomic<bool> m_stopping = false;
    std::atomic<qint64> m_sent = 0;
    double m_seconds = 0;
};

struct TickFigures
{
    bool ok = false;
    QList<QByteArray> fields; // read-outs, median, p99, worst, RSS, peak RSS, rejected
};

TickFigures ticksOf(const QByteArray &output)
{
    for (const QByteArray &line : output.split('\n'))
        if (line.startsWith("result "))
            return { true, line.split(' ').mid(1) };
    return {};
}

bool ready(QProcess &child)
{
    return QTest::qWaitFor([&] { return child.canReadLine() && child.readLine() == "ready\n"; },
                           30'000);
}

enum class Flooding { Quiet, Flooded };

// The time of each read-out a child printed, by the count shown.
QHash<QByteArray, qint64> readOuts(const QByteArray &output)
{
    QHash<QByteArray, qint64> ns;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 3 && f[0] == "shown")
            ns.insert(f[1], f[2].toLongLong());
    }
    return ns;
}

// One leader and one follower, each in a process of its own, with a circuit key; under a
// flood or not.
void measureTicksUnder(const TestBroker &broker, Flooding flooding, int seconds,
                       FloodKind kind = FloodKind::Mixed)
{
    const QString circuit
        = flooding == Flooding::Flooded ? QStringLiteral("flooded") : QStringLiteral("quiet");
    const QString url = broker.url(circuit);
    auto leader = startChild(QStringLiteral("lead %1 0 %2").arg(url).arg(seconds), FloodKey);
    if (!ready(*leader)) {
        std::printf("the leader did not start\n");
        return;
    }
    auto follower = startChild(QStringLiteral("follow %1 0 %2").arg(url).arg(seconds), FloodKey);
    if (!ready(*follower)) {
        std::printf("the follower did not start\n");
        return;
    }
    Flood flood(parseBrokerAddress(url).value, 10'000, kind);
    if (flooding == Flooding::Flooded && !flood.start()) {
        std::printf("the flood did not start\n");
        return;
    }
    finish(*follower, (seconds + 60) * 1000);
    finish(*leader, 30'000);
    flood.stop();
    const char *what = flooding == Flooding::Flooded ? "flooded" : "quiet";
    if (flooding == Flooding::Flooded)
        std::printf("flood: %lld messages in %.1f s (%.0f a second)\n", flood.sent(),
                    flood.seconds(), double(flood.sent()) / std::max(flood.seconds(), 1.0));
    const QByteArray leaderOut = leader->readAllStandardOutput();
    const QByteArray followerOut = follower->readAllStandardOutput();
    const QHash<QByteArray, qint64> led = readOuts(leaderOut);
    std::vector<double> lagsMs;
    for (const auto &[text, ns] : readOuts(followerOut).asKeyValueRange())
        if (led.contains(text))
            lagsMs.push_back(double(ns - led.value(text)) / 1e6);
    std::printf("%s follower's read-out after the leader's, %zu read-outs: median %.2f ms, p99 "
                "%.2f ms\n",
                flooding == Flooding::Flooded ? "flooded" : "quiet", lagsMs.size(),
                percentile(lagsMs, 0.5), percentile(lagsMs, 0.99));
    for (auto [name, out] :
         { std::pair { "leader  ", &leaderOut }, std::pair { "follower", &followerOut } }) {
        const TickFigures t = ticksOf(*out);
        if (!t.ok || t.fields.size() < 7) {
            std::printf("%s %s: no figures\n", what, name);
            continue;
        }
        std::printf("%s %s, %d s at 100 ms, %s read-outs: |period error| median %s ms, p99 %s "
                    "ms, worst %s ms; RSS %s MB (peak %s MB); %s messages rejected or dropped\n",
                    what, name, seconds, t.fields[0].constData(), t.fields[1].constData(),
                    t.fields[2].constData(), t.fields[3].constData(), t.fields[4].constData(),
                    t.fields[5].constData(), t.fields[6].constData());
    }
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
    auto child = startChild(QStringLiteral("idle %1").arg(broker.url(QStringLiteral("cpu"))));
    if (!leadingWith(leader, 1)) {
        std::printf("the follower did not join\n");
        return;
    }
    QTest::qWait(3000); // start-up over
    const double before = cpuNs(child->processId());
    QTest::qWait(seconds * 1000);
    const double spent = cpuNs(child->processId()) - before;
    std::printf("one follower window (its own process) while counting for %d s: CPU %.3f %% of "
                "a core (%.2f ms a second)\n",
                seconds, spent / 1e7 / seconds, spent / 1e6 / seconds);
    child->kill();
    child->waitForFinished(5000);
}

int runChild(const QStringList &part)
{
    BrokerLogin login = brokerLogin(parseBrokerAddress(part.value(1)).value, {}, {}).value;
    login.circuitKey = qgetenv(CircuitKeyVariable);
    // Ends by itself should the bench forget it.
    QTimer::singleShot(ChildDeadlineMs + 30'000, [] { std::_Exit(2); });
    const QString mode = part.value(0);
    if (mode == u"many")
        return followMany(login, part.value(2).toInt(), part.value(3).toInt());
    if (mode == u"lead" || mode == u"follow")
        return measureTicks(login, mode == u"lead" ? RoleKind::Lead : RoleKind::Follow,
                            part.value(3).toInt());
    Room follower(link(RoleKind::Follow, login), 999);
    return QCoreApplication::exec();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsSet(ChildVariable))
        return runChild(qEnvironmentVariable(ChildVariable).split(u' '));
    const QStringList args = app.arguments().mid(1);
    TestBroker broker;
    if (!broker.start()) {
        std::printf("could not start mosquitto\n");
        return 1;
    }
    if (args.value(0) == u"--processes") {
        measureDelayAcrossProcesses(broker, args.value(1, QStringLiteral("10")).toInt(),
                                    args.value(2, QStringLiteral("20")).toInt(),
                                    args.value(3, QStringLiteral("300")).toInt(),
                                    args.value(4, QStringLiteral("100")).toInt());
        return 0;
    }
    if (args.value(0) == u"--flood" || args.value(0) == u"--probe-flood") {
        const FloodKind kind = args[0] == u"--flood" ? FloodKind::Mixed : FloodKind::Probes;
        const int flooded = args.value(1, QStringLiteral("60")).toInt();
        measureTicksUnder(broker, Flooding::Quiet,
                          args.value(2).toInt() > 0 ? args[2].toInt() : flooded, kind);
        measureTicksUnder(broker, Flooding::Flooded, flooded, kind);
        return 0;
    }
    const int ticks = args.value(0, QStringLiteral("300")).toInt();
    const int seconds = args.value(1, QStringLiteral("30")).toInt();
    measureDelay(broker, 1, ticks);
    measureDelay(broker, 20, ticks);
    measureFollowerCpu(broker, seconds);
    return 0;
}
