#include "../circuit/testbroker.h"
#include "chromedriver.h"
#include "clock/phases.h"
#include "programrig.h"
#include "web/webdoors.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QWebSocket>

#include <malloc.h>

using namespace zentrel;

namespace {
QByteArray upgrade(const QByteArray &eol)
{
    return QByteArray("GET /socket HTTP/1.1|Host: x|Upgrade: websocket|Connection: Upgrade|"
                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==|Sec-WebSocket-Version: 13||")
        .replace("|", eol);
}

// Live memory, in use by the program, not what the allocator keeps for reuse.
qint64 liveKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd) / 1024;
}

enum class Then { Stays, Closes, PingFlood };
} // namespace

// The room's page in a real browser, served by the program as it runs in a room, as a person
// at a station door sees it.
class TstWebPage : public QObject
{
    Q_OBJECT

    WebDoors m_doors { WebNames { u"101"_qs, u"c1"_qs } };
    std::unique_ptr<ProgramRig> m_rig;
    quint16 m_port = 0;
    Browser m_browser;

    // Status, minutes, seconds, the bar's colour and the names as the page in this window shows
    // them.
    QString page(const QString &in = u"window"_qs)
    {
        return m_browser.run(u"const w = %1, e = id => w.document.getElementById(id);"
                             "return [e('status').textContent, e('minutes').textContent,"
                             " e('seconds').textContent, w.getComputedStyle(e('bar'))"
                             ".backgroundColor, e('names').textContent].join('|');"_qs.arg(in));
    }

    QString status() { return page().section(u'|', 0, 0); }

    // As the window shows it to a door: no start-up reminder, the room's silence in a door's
    // words.
    QString window()
    {
        const QColor c(cssColour(phaseRow(m_rig->clock().state().Phase).colour));
        return QStringList { m_rig->window().statusText(Viewer::Door),
                             m_rig->label(Label::Minutes)->text(),
                             m_rig->label(Label::Seconds)->text(),
                             QString::asprintf("rgb(%d, %d, %d)", c.red(), c.green(), c.blue()),
                             u"部屋 101　サーキット c1"_qs }
            .join(u'|');
    }

    void click(Control control) { QTest::mouseClick(m_rig->button(control), Qt::LeftButton); }

    void tick(int count)
    {
        for (int i = 0; i < count; ++i)
            m_rig->clock().tick();
    }

    // Pings flooded with a pong each second, never reading: cut, with the memory held.
    void pingFloodIsCut(QTcpSocket &socket)
    {
        socket.setReadBufferSize(1); // what the server sends stays with the server
        const QByteArray ping("\x89\x84\0\0\0\0abcd", 10), pong("\x8a\x80\0\0\0\0", 6);
        const qint64 before = liveKiB();
        const QDeadlineTimer deadline(10000);
        for (int i = 0; socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired();
             ++i) {
            socket.write(ping.repeated(100) + (i % 100 == 0 ? pong : QByteArray()));
            socket.waitForBytesWritten(10);
        }
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE_LT(liveKiB() - before, 10 * 1024);
    }

    // Sockets from the page's own address until the door keeper counts `count`.
    void fillSockets(std::vector<std::unique_ptr<QWebSocket>> &sockets, int count)
    {
        while (m_doors.socketCount() < count) {
            sockets.push_back(std::make_unique<QWebSocket>());
            sockets.back()->open(QUrl(u"ws://127.0.0.1:%1/socket"_qs.arg(m_port)));
            QTRY_COMPARE_WITH_TIMEOUT(sockets.back()->state(), QAbstractSocket::ConnectedState,
                                      10000);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString browserProblem = m_browser.start();
        QVERIFY2(browserProblem.isEmpty(), qPrintable(browserProblem));
        QCOMPARE(m_doors.open({ QHostAddress::LocalHost, 0 }), QString());
        m_port = m_doors.port();
        m_rig = std::make_unique<ProgramRig>(CompleteSettings, QDBusConnection(QString()),
                                             RoomLink {}, nullptr, &m_doors);
        m_browser.open(u"http://127.0.0.1:%1/"_qs.arg(m_port));
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 20000);
    }

    // The one table of the web way in: whatever comes, the page goes on.
    void attacks_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer"); // the status line's start
        QTest::addColumn<Then>("then");
        QTest::addColumn<int>("crowd"); // unfinished requests from the address before
        QTest::addColumn<QString>("head"); // a pattern the answer's head and page hold
        const QByteArray page = "GET / HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n\r\n";
        const auto row = [](const char *name, const QByteArray &request, const char *answer,
                            Then then = Then::Stays, int crowd = 0, const QString &head = {}) {
            QTest::newRow(name) << request << QByteArray(answer) << then << crowd << head;
        };
        // No inline script; sockets to the page's own address alone. And a page whose script
        // is refused reloads itself after a while (a running script stops that).
        const QString refresh = u"(?s).*http-equiv=\"refresh\" content=\"([1-9]|10)\""_qs;
        const QString policy
            = u"script-src 'self'; style-src 'self'; connect-src 'self'%1;"_qs + refresh;
        row("post", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc", "HTTP/1.1 405");
        row("unknown path", "GET /setting.txt HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404");
        row("other cue", "GET /cues/setting.txt HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404");
        row("oversized header", "GET / HTTP/1.1\r\nX: " + QByteArray(200 * 1024, 'a'),
            "HTTP/1.1 413", Then::Closes);
        row("slow loris", "GET / HT", "HTTP/1.1 408", Then::Closes);
        row("upgrade header alone", "GET /socket HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\n\r\n",
            "HTTP/1.1 404");
        row("LF upgrade left silent", upgrade("\n"), "HTTP/1.1 408", Then::Closes);
        row("CR LF upgrade left silent", upgrade("\r\n"), "HTTP/1.1 101", Then::Closes);
        row("ping flood with pongs, idle", upgrade("\r\n"), "HTTP/1.1 101", Then::PingFlood);
        row("policy", page, "HTTP/1.1 200", Then::Stays, 0,
            policy.arg(u" ws://127.0.0.1:PORT/socket"_qs));
        row("policy, forged host", QByteArray(page).replace("127.0.0.1:PORT", "a'b; x"),
            "HTTP/1.1 200", Then::Stays, 0, policy.arg(QString()));
        row("busy", page, "HTTP/1.1 503", Then::Stays, MaxRequestsPerAddress,
            u"Retry-After: ([1-9]|10)\r\n"_qs + refresh);
    }

    void attacks()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(Then, then);
        QFETCH(int, crowd);
        QFETCH(QString, head);
        std::vector<std::unique_ptr<QTcpSocket>> crowded;
        for (int i = 0; i <= crowd; ++i) {
            crowded.push_back(std::make_unique<QTcpSocket>());
            QVERIFY(crowded.back()->bind(QHostAddress(u"127.0.0.3"_qs)));
            crowded.back()->connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(crowded.back()->waitForConnected(5000));
        }
        QTcpSocket &socket = *crowded.back();
        socket.write(request.replace("PORT", QByteArray::number(m_port)));
        QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), 10000);
        QCOMPARE(socket.readLine().left(answer.size()), answer);
        if (then == Then::PingFlood)
            pingFloodIsCut(socket);
        if (then == Then::Closes) // the deadline and the pings see to it
            QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 10000);
        if (!head.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(socket.peek(1 << 16).contains("<title>"), 10000);
            const QString text = QString::fromLatin1(socket.readAll());
            head.replace(u"PORT"_qs, QString::number(m_port));
            QVERIFY2(text.contains(QRegularExpression(head)) && !text.contains(u"unsafe"_qs),
                     qPrintable(text));
        }
        crowded.clear();
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
    }

    // Each step is shown before the next: the page is never more than one tick behind, and
    // shows what the window shows.
    void followsTheWindow()
    {
        click(Control::Start);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
        tick(1);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
        tick(60); // into Reading
        QCOMPARE(m_rig->clock().state().Phase, Phase::Reading);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
        click(Control::Pause);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
        QTcpSocket flood;
        flood.connectToHost(QHostAddress::LocalHost, m_port);
        flood.write(upgrade("\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(flood.canReadLine(), 10000);
        pingFloodIsCut(flood);
        QVERIFY(!QTest::currentTestFailed());
        m_rig->program->setSoundMissing(Presence::Present);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
        QVERIFY(page().contains(u"「音声なし（部屋）」"_qs));
        m_rig->program->setSoundMissing(Presence::Absent);
        click(Control::Resume);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
    }

    // A hall's doors behind one address: forty sockets and three pages loading at once all
    // show the clock; a page that meets full sockets shows it once a place frees.
    void hallBehindOneAddress()
    {
        std::vector<std::unique_ptr<QWebSocket>> sockets;
        fillSockets(sockets, 41);
        m_browser.run(u"window.doors = [0, 1, 2].map(() => window.open(location.href));"_qs);
        for (int i = 0; i < 3; ++i)
            QTRY_COMPARE_WITH_TIMEOUT(page(u"doors[%1]"_qs.arg(i)), window(), 10000);
        m_browser.run(u"doors.forEach(w => w.close());"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(m_doors.socketCount(), 41, 10000);
        fillSockets(sockets, WebLimits {}.perAddress);
        m_browser.run(u"doors = [window.open(location.href)];"_qs);
        QTest::qWait(3000); // refused at least once
        QCOMPARE(page(u"doors[0]"_qs).section(u'|', 1, 2), u"--|--"_qs); // no socket yet
        sockets.pop_back();
        QTRY_COMPARE_WITH_TIMEOUT(page(u"doors[0]"_qs), window(), 15000);
        m_browser.run(u"doors[0].close();"_qs);
    }

    // After a tap the 0:30 cue plays once, on its tick. Cut off, the page counts on and says
    // so, with the time it last heard the room after a while; back, it takes the room's state
    // and plays no cue again.
    void cueAcrossCutOff()
    {
        QCOMPARE(m_browser.run(u"return document.getElementById('sound').textContent;"_qs),
                 u"画面をタップすると音声が鳴ります"_qs);
        m_browser.run(u"document.body.click(); return '';"_qs);
        tick(m_rig->clock().state().RemainingSeconds - 30);
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.run(u"return document.body.dataset.played;"_qs),
                                  u"sec30.wav"_qs, 10000);
        m_doors.close(Parting::Silent);
        const int shown = page().section(u'|', 2, 2).toInt();
        QTRY_VERIFY_WITH_TIMEOUT(page().section(u'|', 2, 2).toInt() < shown - 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(status().contains(QRegularExpression(
                                     u"「同期なし」  最終更新 \\d\\d:\\d\\d:\\d\\d$"_qs)),
                                 20000);
        QCOMPARE(m_doors.open({ QHostAddress::LocalHost, m_port }), QString());
        tick(1);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 20000);
        QCOMPARE(m_browser.run(u"return document.body.dataset.played;"_qs), u"sec30.wav"_qs);
    }

    // A follower's 「同期なし」 from its broker's loss to its return, as its window shows it.
    void followerOutOfStep()
    {
        TestBroker broker;
        QVERIFY(broker.start());
        RoomLink link { RoleKind::Lead, broker.login(u"doors"_qs), u"101"_qs };
        ProgramRig leader(CompleteSettings, QDBusConnection(QString()), link);
        // A new leader's commands are locked while it listens to the circuit.
        QTRY_VERIFY_WITH_TIMEOUT(leader.program->role().controls() == ClockControls::Operable,
                                 10000);
        QTest::mouseClick(leader.button(Control::Start), Qt::LeftButton);
        QVERIFY(leader.running());
        link.role = RoleKind::Follow;
        m_rig.reset(); // the page is the follower's from here
        m_rig = std::make_unique<ProgramRig>(CompleteSettings, QDBusConnection(QString()), link,
                                             nullptr, &m_doors);
        for (const bool outOfStep : { false, true, false }) {
            if (outOfStep)
                broker.stop();
            else if (!broker.isRunning())
                QVERIFY(broker.start());
            QTRY_VERIFY_WITH_TIMEOUT(
                m_rig->running()
                    && m_rig->window().statusText().endsWith(u"「同期なし」"_qs) == outOfStep,
                20000);
            QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
        }
        m_doors.close(Parting::Farewell); // the room's end
        QTRY_COMPARE_WITH_TIMEOUT(status(), u"タイマーは終了しました"_qs, 10000);
    }
};

QTEST_MAIN(TstWebPage)
#include "tst_webpage.moc"
