#include "chromedriver.h"
#include "clock/examclock.h"
#include "clock/phases.h"
#include "web/doorkeeper.h"
#include "web/webdoors.h"

#include <QTcpSocket>

using namespace zentrel;

// The room's page in a real browser, as a person at a station door sees it.
class TstWebPage : public QObject
{
    Q_OBJECT

    ExamClock m_clock { TickDrive::Manual };
    std::unique_ptr<WebDoors> m_doors;
    quint16 m_port = 0;
    Browser m_browser;

    QString openDoors()
    {
        m_doors = std::make_unique<WebDoors>(WebNames { u"101"_qs, u"c1"_qs });
        const QString problem = m_doors->open({ QHostAddress::LocalHost, m_port });
        m_port = m_doors->port();
        return problem;
    }

    void showClock(Cue cue = Cue::None)
    {
        const ClockState &s = m_clock.state();
        QString status = QString::fromUtf8(phaseRow(s.Phase).statusText);
        if (s.Paused == Pause::On)
            status += u"  (一時停止)"_qs;
        m_doors->show({ s, cue, status });
    }

    // Status, minutes, seconds and the bar's colour as the page shows them.
    QString page()
    {
        return m_browser.run(u"const t = id => document.getElementById(id).textContent;"
                             "return [t('status'), t('minutes'), t('seconds'),"
                             " getComputedStyle(document.getElementById('bar')).backgroundColor]"
                             ".join('|');"_qs);
    }

    QString expected(const QString &status)
    {
        const ClockState &s = m_clock.state();
        const std::uint32_t c = phaseRow(s.Phase).colour;
        return u"%1|%2|%3|rgb(%4, %5, %6)"_qs.arg(status)
            .arg(s.RemainingMinutes)
            .arg(s.RemainingSeconds)
            .arg(c & 0xFF)
            .arg((c >> 8) & 0xFF)
            .arg((c >> 16) & 0xFF);
    }

    void tick(int count)
    {
        for (int i = 0; i < count; ++i)
            m_clock.tick();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString browserProblem = m_browser.start();
        QVERIFY2(browserProblem.isEmpty(), qPrintable(browserProblem));
        QCOMPARE(openDoors(), QString());
        connect(&m_clock, &ExamClock::changed, this,
                [this](const ClockChange &change) { showClock(change.cue); });
        m_clock.startUp({ 500, { 0, 3, 1, 0, 5, 0, 1, 0 } });
        m_browser.open(u"http://127.0.0.1:%1/"_qs.arg(m_port));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.text(u"names"_qs), u"部屋 101　サーキット c1"_qs,
                                  20000);
        QCOMPARE(m_browser.run(u"return document.documentElement.lang;"_qs), u"ja"_qs);
    }

    // Each step is shown before the next: the page is never more than one tick behind.
    void followsTheWindow()
    {
        QCOMPARE(m_clock.start(
                     { u"0"_qs, u"3"_qs, u"1"_qs, u"0"_qs, u"5"_qs, u"0"_qs, u"1"_qs, u"0"_qs }),
                 StartOutcome::Started);
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"移動中です"_qs), 10000);
        tick(1);
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"移動中です"_qs), 10000);
        tick(3); // into Reading, 0:59
        QCOMPARE(m_clock.state().Phase, Phase::Reading);
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"問題を読んでいます"_qs), 10000);
        m_clock.pause();
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"問題を読んでいます  (一時停止)"_qs), 10000);
        m_clock.resume();
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"問題を読んでいます"_qs), 10000);
    }

    // After a tap the 0:30 cue plays once, on its tick.
    void cueAfterTap()
    {
        QCOMPARE(m_browser.text(u"sound"_qs), u"画面をタップすると音声が鳴ります"_qs);
        m_browser.run(u"document.body.click(); return '';"_qs);
        QCOMPARE(m_browser.run(u"return document.body.dataset.sound;"_qs), u"on"_qs);
        tick(m_clock.state().RemainingSeconds - 30);
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.run(u"return document.body.dataset.played;"_qs),
                                  u"sec30.wav"_qs, 10000);
    }

    // Hostile requests get an error and change nothing; the page goes on.
    void hostileRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer"); // the status line; empty: closed unanswered
        const char *const rows[][3] = {
            { "post", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc",
              "HTTP/1.1 405" },
            { "put", "PUT /page.js HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 405" },
            { "unknown path", "GET /setting.txt HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404" },
            { "climbing out", "GET /cues/../../etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n",
              "HTTP/1.1 404" },
            { "other cue", "GET /cues/setting.txt HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404" },
            { "garbage", "\x01\x02\xff junk\r\n\r\n", "" },
            { "oversized header", "GET / HTTP/1.1\r\nX: *\r\n\r\n", "" }, // * of 200 KiB
        };
        for (const auto &[name, request, answer] : rows)
            QTest::newRow(name) << QByteArray(request).replace("*", QByteArray(200 * 1024, 'a'))
                                << QByteArray(answer);
        QTest::newRow("slow loris") << QByteArray("GET / HT") << QByteArray();
        QTest::newRow("huge body")
            << "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 1048576\r\n\r\n"
                + QByteArray(1 << 20, 'a')
            << QByteArray();
        QTest::newRow("upgrade header alone")
            << QByteArray("GET /socket HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\n\r\n")
            << QByteArray("HTTP/1.1 404");
    }

    void hostileRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(socket.waitForConnected(5000));
        socket.write(request);
        QTRY_VERIFY_WITH_TIMEOUT(
            socket.state() != QAbstractSocket::ConnectedState || socket.canReadLine(), 10000);
        QCOMPARE(socket.readLine().left(answer.size()), answer);
        tick(1);
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"問題を読んでいます"_qs), 10000);
    }

    // One address may hold eight connections; a ninth is turned away.
    void connectionCap()
    {
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i <= MaxConnectionsPerAddress; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            QVERIFY(socket->bind(QHostAddress(u"127.0.0.2"_qs)));
            socket->connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(socket->waitForConnected(5000));
            sockets.push_back(std::move(socket));
        }
        QVERIFY(sockets.back()->waitForDisconnected(5000));
        QTest::qWait(200);
        QCOMPARE(sockets.front()->state(), QAbstractSocket::ConnectedState);
    }

    // Cut off, the page counts on and says so; back, it takes the room's state and plays
    // no cue again.
    void cutOffAndBack()
    {
        m_doors->close(Parting::Silent);
        QTRY_VERIFY_WITH_TIMEOUT(m_browser.text(u"status"_qs).endsWith(u"「同期なし」"_qs), 10000);
        const int shown = m_browser.text(u"seconds"_qs).toInt();
        QTRY_VERIFY_WITH_TIMEOUT(m_browser.text(u"seconds"_qs).toInt() < shown - 1, 10000);
        QCOMPARE(openDoors(), QString());
        tick(1);
        QTRY_COMPARE_WITH_TIMEOUT(page(), expected(u"問題を読んでいます"_qs), 20000);
        QCOMPARE(m_browser.run(u"return document.body.dataset.played;"_qs), u"sec30.wav"_qs);
    }

    void endTold()
    {
        m_doors.reset();
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.text(u"status"_qs), u"タイマーは終了しました"_qs,
                                  10000);
    }
};

QTEST_GUILESS_MAIN(TstWebPage)
#include "tst_webpage.moc"
