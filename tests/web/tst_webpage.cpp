#include "chromedriver.h"
#include "clock/phases.h"
#include "programrig.h"
#include "web/webdoors.h"
#include "window/texts.h"

#include <QElapsedTimer>
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

// Live memory: what the allocator keeps for reuse is given back first.
qint64 residentKiB()
{
    malloc_trim(0);
    QFile status(u"/proc/self/status"_qs);
    status.open(QIODevice::ReadOnly);
    static const QRegularExpression rss(u"VmRSS:\\s+(\\d+)"_qs);
    return rss.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

enum class Then { Stays, Closes, PingFlood, Header };
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

    // Status, minutes, seconds and the bar's colour as the page shows them.
    QString page()
    {
        return m_browser.run(u"const t = id => document.getElementById(id).textContent;"
                             "return [t('status'), t('minutes'), t('seconds'),"
                             " getComputedStyle(document.getElementById('bar')).backgroundColor]"
                             ".join('|');"_qs);
    }

    // As the window shows it, the start-up reminder and the room's own silence apart.
    QString window()
    {
        QString status = m_rig->label(Label::Status)->text();
        if (status == QString::fromUtf8(ScreenSaverReminder))
            status = m_rig->window().statusText();
        status.replace(statusMarkText(StatusMark::NoSound, Viewer::Room),
                       statusMarkText(StatusMark::NoSound, Viewer::Door));
        const QColor c(cssColour(phaseRow(m_rig->clock().state().Phase).colour));
        return u"%1|%2|%3|rgb(%4, %5, %6)"_qs
            .arg(status, m_rig->label(Label::Minutes)->text(), m_rig->label(Label::Seconds)->text())
            .arg(c.red())
            .arg(c.green())
            .arg(c.blue());
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
        const qint64 before = residentKiB();
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0;
             socket.state() == QAbstractSocket::ConnectedState && !elapsed.hasExpired(10000); ++i) {
            socket.write(ping.repeated(100) + (i % 100 == 0 ? pong : QByteArray()));
            socket.waitForBytesWritten(10);
        }
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE_LT(residentKiB() - before, 10 * 1024);
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
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.text(u"names"_qs), u"部屋 101　サーキット c1"_qs,
                                  20000);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
    }

    // The one table of the web way in: whatever comes, the page goes on.
    void attacks_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer"); // the status line's start
        QTest::addColumn<Then>("then");
        QTest::addColumn<int>("crowd"); // unfinished requests from the address before
        const QByteArray page = "GET / HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n\r\n";
        const auto row = [](const char *name, const QByteArray &request, const char *answer,
                            Then then = Then::Stays, int crowd = 0) {
            QTest::newRow(name) << request << QByteArray(answer) << then << crowd;
        };
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
        row("policy", page, "HTTP/1.1 200", Then::Header);
        row("policy, forged host", QByteArray(page).replace("127.0.0.1:PORT", "a'b; x"),
            "HTTP/1.1 200", Then::Header);
        row("busy", page, "HTTP/1.1 503", Then::Header, MaxRequestsPerAddress);
    }

    void attacks()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(Then, then);
        QFETCH(int, crowd);
        const QHostAddress from(u"127.0.0.3"_qs);
        std::vector<std::unique_ptr<QTcpSocket>> crowded;
        for (int i = 0; i <= crowd; ++i) {
            crowded.push_back(std::make_unique<QTcpSocket>());
            QVERIFY(crowded.back()->bind(from));
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
        if (then == Then::Header) {
            QTRY_VERIFY_WITH_TIMEOUT(
                socket.bytesAvailable() > 0 && socket.peek(1 << 16).contains("\r\n\r\n"), 10000);
            const QString head = QString::fromLatin1(socket.readAll());
            const QString policy
                = head.section(u"Content-Security-Policy: "_qs, 1).section(u"\r\n"_qs, 0, 0);
            const QString connect = policy.section(u"connect-src "_qs, 1).section(u';', 0, 0);
            if (crowd > 0) {
                QVERIFY2(head.contains(QRegularExpression(u"Retry-After: ([1-9]|10)\r\n"_qs)),
                         qPrintable(head));
                QVERIFY(head.contains(
                    QRegularExpression(u"http-equiv=\"refresh\" content=\"([1-9]|10)\""_qs)));
            } else if (request.contains("127.0.0.1")) {
                QCOMPARE(connect, u"'self' ws://127.0.0.1:%1/socket"_qs.arg(m_port));
            } else {
                QCOMPARE(connect, u"'self'"_qs);
            }
            QVERIFY(policy.contains(u"script-src 'self';"_qs) || crowd > 0);
            QVERIFY(!policy.contains(u"unsafe"_qs));
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

    // After a tap the 0:30 cue plays once, on its tick.
    void cueAfterTap()
    {
        QCOMPARE(m_browser.text(u"sound"_qs), u"画面をタップすると音声が鳴ります"_qs);
        m_browser.run(u"document.body.click(); return '';"_qs);
        QCOMPARE(m_browser.run(u"return document.body.dataset.sound;"_qs), u"on"_qs);
        tick(m_rig->clock().state().RemainingSeconds - 30);
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.run(u"return document.body.dataset.played;"_qs),
                                  u"sec30.wav"_qs, 10000);
    }

    // A hall's doors behind one address: forty sockets and three pages loading at once all
    // show the clock; a page that meets full sockets shows it once a place frees.
    void hallBehindOneAddress()
    {
        std::vector<std::unique_ptr<QWebSocket>> sockets;
        fillSockets(sockets, 41);
        m_browser.run(u"for (let i = 0; i < 3; ++i) window.open(location.href); return '';"_qs);
        const QStringList windows = m_browser.windows();
        QCOMPARE(windows.size(), 4);
        for (const QString &other : windows.mid(1)) {
            m_browser.switchTo(other);
            QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 10000);
            m_browser.run(u"window.close(); return '';"_qs);
        }
        m_browser.switchTo(windows[0]);
        QTRY_COMPARE_WITH_TIMEOUT(m_doors.socketCount(), 41, 10000);
        fillSockets(sockets, WebLimits {}.perAddress);
        m_browser.run(u"window.open(location.href); return '';"_qs);
        m_browser.switchTo(m_browser.windows().value(1));
        QTest::qWait(3000); // refused at least once
        QCOMPARE(m_browser.text(u"minutes"_qs), u"--"_qs);
        sockets.pop_back();
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 15000);
        m_browser.run(u"window.close(); return '';"_qs);
        m_browser.switchTo(windows[0]);
    }

    // Cut off, the page counts on and says so, with the time it last heard the room after a
    // while; back, it takes the room's state and plays no cue again.
    void cutOffAndBack()
    {
        m_doors.close(Parting::Silent);
        QTRY_VERIFY_WITH_TIMEOUT(m_browser.text(u"status"_qs).endsWith(u"「同期なし」"_qs), 10000);
        const int shown = m_browser.text(u"seconds"_qs).toInt();
        QTRY_VERIFY_WITH_TIMEOUT(m_browser.text(u"seconds"_qs).toInt() < shown - 1, 10000);
        static const QRegularExpression lastHeard(
            u"「同期なし」  最終更新 \\d\\d:\\d\\d:\\d\\d$"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(lastHeard.match(m_browser.text(u"status"_qs)).hasMatch(), 20000);
        QCOMPARE(m_doors.open({ QHostAddress::LocalHost, m_port }), QString());
        tick(1);
        QTRY_COMPARE_WITH_TIMEOUT(page(), window(), 20000);
        QCOMPARE(m_browser.run(u"return document.body.dataset.played;"_qs), u"sec30.wav"_qs);
    }

    void endTold()
    {
        m_doors.close(Parting::Farewell);
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.text(u"status"_qs), u"タイマーは終了しました"_qs,
                                  10000);
    }
};

QTEST_MAIN(TstWebPage)
#include "tst_webpage.moc"
