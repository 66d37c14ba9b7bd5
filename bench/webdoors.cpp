// The station-door page's cost to the room: tick accuracy with 0 and with N sockets, the
// delay from the window's read-out to a socket client's message, and memory while some
// clients never read. The clients are raw sockets on a thread of their own, bound to
// 127.0.0.2 onwards so that the per-address cap holds.
//   webdoors [ticks-at-100ms] [sockets] [seconds-for-memory] [never-reading]
//   (default 600 100 60 10)
// And a hall's Wi-Fi drop: N real pages in headless Chromium cut off together for a while,
// and when each is back once the room answers again.
//   webdoors --reconnect [pages] [seconds-cut-off]   (default 40 10)

#include "app/program.h"
#include "chromedriver.h"
#include "web/doorkeeper.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace zentrel;

namespace {
struct AnswerOk : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
};

QElapsedTimer g_clock; // one time base for both threads

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

int key(int phase, int minutes, int seconds)
{
    return phase * 10000 + minutes * 100 + seconds;
}

double rssMb()
{
    QFile status(u"/proc/self/status"_qs);
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

enum class Reading { Reads, Never };

// One page stand-in: the upgrade by hand, then frames read, pings answered, each state's
// arrival stamped. A client that never reads stops after the upgrade.
class Client : public QObject
{
public:
    Client(int index, quint16 port, Reading reading, QMutex &lock,
           std::vector<std::pair<int, qint64>> &arrivals)
        : m_reading(reading)
        , m_lock(lock)
        , m_arrivals(arrivals)
    {
        // Under the cap of unfinished requests from one address, as they all join at once.
        m_socket.bind(QHostAddress(u"127.0.0.%1"_qs.arg(2 + index / 30)));
        connect(&m_socket, &QTcpSocket::connected, this, [this] {
            m_socket.write("GET /socket HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n");
        });
        connect(&m_socket, &QTcpSocket::readyRead, this, &Client::arrived);
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

private:
    void arrived()
    {
        m_in += m_socket.readAll();
        if (!m_upgraded) {
            const qsizetype end = m_in.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            m_upgraded = m_in.startsWith("HTTP/1.1 101");
            m_in.remove(0, end + 4);
            if (m_reading == Reading::Never) {
                m_socket.setReadBufferSize(1);
                m_socket.disconnect(this);
                return;
            }
        }
        while (m_in.size() >= 2) {
            const int opcode = m_in[0] & 0x0F;
            qint64 length = m_in[1] & 0x7F;
            int head = 2;
            if (length == 126) {
                if (m_in.size() < 4)
                    return;
                length = (quint8(m_in[2]) << 8) | quint8(m_in[3]);
                head = 4;
            }
            if (m_in.size() < head + length)
                return;
            const QByteArray payload = m_in.mid(head, length);
            m_in.remove(0, head + length);
            if (opcode == 0x9) { // pong, masked with a zero key
                m_socket.write(QByteArray("\x8A", 1) + char(0x80 | payload.size())
                               + QByteArray(4, '\0') + payload);
            } else if (opcode == 0x1) {
                const qint64 now = g_clock.nsecsElapsed();
                const QJsonObject m = QJsonDocument::fromJson(payload).object();
                QMutexLocker locker(&m_lock);
                m_arrivals.emplace_back(
                    key(m[u"phase"_qs].toInt(), m[u"minutes"_qs].toInt(), m[u"seconds"_qs].toInt()),
                    now);
            }
        }
    }

    QTcpSocket m_socket;
    Reading m_reading = Reading::Reads;
    QMutex &m_lock;
    std::vector<std::pair<int, qint64>> &m_arrivals;
    QByteArray m_in;
    bool m_upgraded = false;
};

struct Ticks
{
    std::vector<double> absErrors;
    std::vector<std::pair<int, qint64>> shown;
};

Ticks run(Program &program, QTimer &timer, int count)
{
    Form1 &form = program.window();
    ExamClock &clock = program.clock();
    clock.startUp({ 100, clock.state().PhaseDurations });
    Ticks ticks;
    QEventLoop loop;
    auto connection = QObject::connect(&form, &Form1::secondsShown, &form, [&] {
        const ClockState &s = clock.state();
        ticks.shown.emplace_back(key(int(s.Phase), s.RemainingMinutes, s.RemainingSeconds),
                                 g_clock.nsecsElapsed());
        if (int(ticks.shown.size()) == count)
            loop.quit();
    });
    static_cast<QPushButton *>(form.control(Control::Start))->click();
    loop.exec();
    QObject::disconnect(connection);
    clock.pause();
    clock.reset();
    timer.stop();
    for (std::size_t i = 2; i < ticks.shown.size(); ++i)
        ticks.absErrors.push_back(
            std::abs(double(ticks.shown[i].second - ticks.shown[i - 1].second) / 1e6 - 100));
    return ticks;
}

int reconnect(int pages, int cutOffSeconds)
{
    WebDoors doors({ u"101"_qs, {} });
    if (const QString problem = doors.open({ QHostAddress::LocalHost, 0 }); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    const quint16 port = doors.port();
    ExamClock clock(TickDrive::Manual);
    clock.startUp({ 1000, { 5, 0, 5, 0, 5, 0, 5, 0 } });
    doors.show({ clock.state() });
    std::vector<qint64> joins; // ms since the room answered again, one per socket taken
    QElapsedTimer since;
    Browser browser;
    if (const QString problem = browser.start(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    browser.open(u"http://127.0.0.1:%1/"_qs.arg(port));
    browser.run(
        u"for (let i = 1; i < %1; ++i) window.open(location.href); return '';"_qs.arg(pages));
    QElapsedTimer waiting;
    waiting.start();
    while (doors.socketCount() < pages && !waiting.hasExpired(120000))
        QTest::qWait(100);
    if (doors.socketCount() < pages) {
        std::fprintf(stderr, "only %d of %d pages joined\n", doors.socketCount(), pages);
        return 1;
    }
    doors.close(Parting::Silent);
    QTest::qWait(cutOffSeconds * 1000);
    since.start();
    doors.open({ QHostAddress::LocalHost, port });
    doors.show({ clock.state() });
    while (int(joins.size()) < pages && !since.hasExpired(60000)) {
        for (int count = doors.socketCount(); int(joins.size()) < count;)
            joins.push_back(since.elapsed());
        QThread::msleep(20);
    }
    std::vector<double> at(joins.begin(), joins.end());
    std::sort(at.begin(), at.end());
    int perSecond[16] {};
    for (const double ms : at)
        ++perSecond[std::min(15, int(ms / 1000))];
    QString spread;
    for (const int n : perSecond)
        spread += u" %1"_qs.arg(n);
    std::printf("web page, %d pages cut off together for %d s: %zu back, the first %.1f s and "
                "the last %.1f s after the room answered again (spread %.1f s); sockets per "
                "second:%s\n",
                pages, cutOffSeconds, at.size(), at.empty() ? 0.0 : at.front() / 1000,
                at.empty() ? 0.0 : at.back() / 1000,
                at.empty() ? 0.0 : (at.back() - at.front()) / 1000, qPrintable(spread));
    doors.close(Parting::Silent);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().value(1) == u"--reconnect"_qs)
        return reconnect(app.arguments().value(2, u"40"_qs).toInt(),
                         app.arguments().value(3, u"10"_qs).toInt());
    const QStringList args = app.arguments().mid(1);
    const int count = args.value(0, u"600"_qs).toInt();
    const int sockets = args.value(1, u"100"_qs).toInt();
    const int seconds = args.value(2, u"60"_qs).toInt();
    const int never = args.value(3, u"10"_qs).toInt();
    g_clock.start();

    WebDoors doors({ u"101"_qs, {} });
    if (const QString problem = doors.open({ QHostAddress::LocalHost, 0 }); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    AnswerOk messages;
    QTemporaryDir logDir;
    Program program({ TickDrive::Manual,
                      messages,
                      QDir::currentPath(),
                      logDir.path(),
                      QDBusConnection(QString()),
                      {},
                      {},
                      &doors });
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &program.clock(), &ExamClock::tick);
    QObject::connect(&program.clock(), &ExamClock::changed, &timer, [&](const ClockChange &c) {
        if (c.state.Timer == TimerRun::Running && !timer.isActive())
            timer.start(c.state.TickIntervalMs);
        else if (c.state.Timer == TimerRun::Stopped)
            timer.stop();
    });
    program.startUp();
    program.window().show();
    program.window().showLengths({ 5, 0, 5, 0, 5, 0, 5, 0 });
    QCoreApplication::processEvents();
    const double rssStart = rssMb();

    const Ticks alone = run(program, timer, count);

    QThread clientThread;
    clientThread.start();
    QObject clients;
    clients.moveToThread(&clientThread);
    QMutex lock;
    std::vector<std::pair<int, qint64>> arrivals;
    QMetaObject::invokeMethod(
        &clients,
        [&] {
            for (int i = 0; i < sockets; ++i)
                (new Client(i, doors.port(), i < never ? Reading::Never : Reading::Reads, lock,
                            arrivals))
                    ->setParent(&clients);
        },
        Qt::BlockingQueuedConnection);
    QElapsedTimer waiting;
    waiting.start();
    while (doors.socketCount() < sockets && waiting.elapsed() < 20000)
        QThread::msleep(50);
    const int joined = doors.socketCount();
    const double rssJoined = rssMb();

    const Ticks busy = run(program, timer, count);
    std::vector<double> delays;
    {
        QMutexLocker locker(&lock);
        QHash<int, qint64> shownAt;
        for (const auto &[k, at] : busy.shown)
            shownAt.insert(k, at);
        for (const auto &[k, at] : arrivals) {
            if (shownAt.contains(k))
                delays.push_back(double(at - shownAt.value(k)) / 1e6);
        }
        arrivals.clear();
    }
    std::printf("web page, %d ticks at 100 ms: p99 |period error| %.3f ms with 0 sockets, %.3f ms "
                "with %d sockets (worst %.3f / %.3f ms)\n",
                count, percentile(alone.absErrors, 0.99), percentile(busy.absErrors, 0.99), joined,
                percentile(alone.absErrors, 1.0), percentile(busy.absErrors, 1.0));
    std::printf("web page, window's read-out to a socket client's message, %zu messages to %d "
                "reading clients: median %.2f ms, p99 %.2f ms, worst %.2f ms\n",
                delays.size(), sockets - never, percentile(delays, 0.5), percentile(delays, 0.99),
                percentile(delays, 1.0));

    // Counting on for a while: the clients that never read are cut off, the rest follow.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    program.clock().startUp({ 100, program.clock().state().PhaseDurations });
    static_cast<QPushButton *>(program.window().control(Control::Start))->click();
    loop.exec();
    std::printf("web page, RSS: %.1f MB before any socket, %.1f MB with %d sockets joined, "
                "%.1f MB after %d s at 100 ms ticks (%d never reading; %d sockets left)\n",
                rssStart, rssJoined, joined, rssMb(), seconds, never, doors.socketCount());
    {
        QMutexLocker locker(&lock);
        std::printf("web page, messages in those %d s: %zu\n", seconds, arrivals.size());
    }
    QMetaObject::invokeMethod(
        &clients, [&] { qDeleteAll(clients.children()); }, Qt::BlockingQueuedConnection);
    clientThread.quit();
    clientThread.wait();
    doors.close(Parting::Silent);
    return 0;
}
