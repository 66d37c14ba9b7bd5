// The rooms' plain logic: the broker address, the clock message reader and the follower's
// choice of state and cues.
#include "rooms/brokeraddress.h"
#include "rooms/clockmessage.h"
#include "rooms/followersync.h"

#include <QTest>

using namespace zentrel;

class TestRoomsLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data();
    void address();
    void login_data();
    void login();
    void clockMessage_data();
    void clockMessage();
    void followerCues_data();
    void followerCues();
};

void TestRoomsLogic::address_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // transport user host port circuit, or "!"
    QTest::newRow("plain, default port") << "mqtt://broker.local/osce"
                                         << "plain  broker.local 1883 osce";
    QTest::newRow("tls, default port") << "mqtts://10.0.0.5/osce-1"
                                       << "tls  10.0.0.5 8883 osce-1";
    QTest::newRow("user and port") << "mqtts://exam@h:9000/A_b.c"
                                   << "tls exam h 9000 A_b.c";
    QTest::newRow("ipv6") << "mqtt://[::1]:1884/x"
                          << "plain  ::1 1884 x";
    QTest::newRow("password in address") << "mqtt://exam:secret@h/x"
                                         << "!";
    QTest::newRow("two levels") << "mqtt://h/a/b"
                                << "!";
    QTest::newRow("wildcard") << "mqtt://h/a+"
                              << "!";
    QTest::newRow("no circuit") << "mqtt://h/"
                                << "!";
    QTest::newRow("other scheme") << "http://h/x"
                                  << "!";
    QTest::newRow("port zero") << "mqtt://h:0/x"
                               << "!";
    QTest::newRow("port too big") << "mqtt://h:65536/x"
                                  << "!";
    QTest::newRow("query") << "mqtt://h/x?y"
                           << "!";
}

void TestRoomsLogic::address()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const Checked<BrokerAddress> parsed = parseBrokerAddress(text);
    if (expected == QLatin1String("!")) {
        QVERIFY(!parsed.ok());
        QVERIFY(parsed.problem.contains(QStringLiteral("アドレス")));
        return;
    }
    QVERIFY2(parsed.ok(), qPrintable(parsed.problem));
    const BrokerAddress &a = parsed.value;
    QCOMPARE(QStringList({ a.transport == BrokerTransport::Tls ? QStringLiteral("tls")
                                                               : QStringLiteral("plain"),
                           a.user, a.host, QString::number(a.port), a.circuit })
                 .join(QLatin1Char(' ')),
             expected);
}

void TestRoomsLogic::login_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("ok");
    const QString readable = QStringLiteral(__FILE__);
    QTest::newRow("tls with a CA file") << "mqtts://u@h/x" << readable << QByteArray("pw") << true;
    QTest::newRow("CA file without tls") << "mqtt://h/x" << readable << QByteArray() << false;
    QTest::newRow("CA file missing") << "mqtts://h/x"
                                     << "/nonexistent/ca.pem" << QByteArray() << false;
    QTest::newRow("password without user")
        << "mqtt://h/x" << QString() << QByteArray("pw") << false;
}

void TestRoomsLogic::login()
{
    QFETCH(QString, address);
    QFETCH(QString, caFile);
    QFETCH(QByteArray, password);
    QFETCH(bool, ok);
    const Checked<BrokerLogin> login
        = brokerLogin(parseBrokerAddress(address).value, caFile, password);
    QCOMPARE(login.ok(), ok);
    if (ok)
        QCOMPARE(login.value.password, password);
}

void TestRoomsLogic::clockMessage_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<MessageFault>("fault");
    const QByteArray good
        = R"({"v":1,"leader":"ab12","seq":7,"phase":3,"paused":0,"minutes":4,)"
          R"("seconds":27,"lengths":[1,0,1,0,5,0,1,0],"interval":999,"running":true})";
    auto with = [&](const char *from, const char *to) {
        return QByteArray(good).replace(from, to);
    };
    QTest::newRow("accepted") << good << MessageFault::None;
    QTest::newRow("extra key is ignored") << with("{", R"({"x":[],)") << MessageFault::None;
    QTest::newRow("oversized") << with(
        "{", (R"({"x":")" + QByteArray(MaxMessageBytes, 'a') + "\",").constData())
                               << MessageFault::Oversized;
    QTest::newRow("not json") << good.left(40) << MessageFault::Malformed;
    QTest::newRow("array") << QByteArray("[1]") << MessageFault::Malformed;
    QTest::newRow("version 2") << with(R"("v":1)", R"("v":2)") << MessageFault::WrongVersion;
    QTest::newRow("no version") << with(R"("v":1,)", "") << MessageFault::Malformed;
    QTest::newRow("phase 5") << with(R"("phase":3)", R"("phase":5)") << MessageFault::OutOfRange;
    QTest::newRow("paused 2") << with(R"("paused":0)", R"("paused":2)") << MessageFault::OutOfRange;
    QTest::newRow("seconds 61") << with(R"("seconds":27)", R"("seconds":61)")
                                << MessageFault::OutOfRange;
    QTest::newRow("minutes negative")
        << with(R"("minutes":4)", R"("minutes":-1)") << MessageFault::OutOfRange;
    QTest::newRow("fraction") << with(R"("minutes":4)", R"("minutes":4.5)")
                              << MessageFault::OutOfRange;
    QTest::newRow("interval 0") << with(R"("interval":999)", R"("interval":0)")
                                << MessageFault::OutOfRange;
    QTest::newRow("interval 32768")
        << with(R"("interval":999)", R"("interval":32768)") << MessageFault::OutOfRange;
    QTest::newRow("seven lengths") << with("[1,0,", "[0,") << MessageFault::Malformed;
    QTest::newRow("length 100") << with("5,0,1,0]", "5,0,1,100]") << MessageFault::OutOfRange;
    QTest::newRow("length as text") << with("[1,", R"(["1",)") << MessageFault::Malformed;
    QTest::newRow("minutes as text")
        << with(R"("minutes":4)", R"("minutes":"4")") << MessageFault::Malformed;
    QTest::newRow("running while paused")
        << with(R"("paused":0)", R"("paused":1)") << MessageFault::OutOfRange;
    QTest::newRow("leader id with a slash") << with("ab12", "ab/2") << MessageFault::OutOfRange;
}

void TestRoomsLogic::clockMessage()
{
    QFETCH(QByteArray, payload);
    QFETCH(MessageFault, fault);
    const Decoded<ClockMessage> read = decodeClockMessage(payload);
    QCOMPARE(read.fault, fault);
    if (fault != MessageFault::None)
        return;
    const ClockSnapshot &c = read.value.clock;
    QCOMPARE(read.value.leaderId, QByteArray("ab12"));
    QCOMPARE(read.value.sequence, 7u);
    QCOMPARE(std::tuple(c.Phase, c.Paused, c.RemainingMinutes, c.RemainingSeconds, c.TickIntervalMs,
                        c.TimerRunning),
             std::tuple(3, 0, 4, 27, 999, true));
    QCOMPARE(c.PhaseDurations[4], 5);
    QCOMPARE(decodeClockMessage(encodeClockMessage(read.value)).value, read.value);
}

// Each step: source (L leader, T own tick), phase, m:ss; each cue: - none, W warning,
// A the next phase's announcement.
void TestRoomsLogic::followerCues_data()
{
    QTest::addColumn<QString>("lengths");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("cues");
    const QString usual = QStringLiteral("1 0 1 0 5 0 1 0");
    QTest::newRow("leader counts through 0:30") << usual << "L1 0:31,L1 0:30,L1 0:29"
                                                << "- W -";
    QTest::newRow("repeated 0:30 (pause, heartbeat)") << usual << "L1 0:31,L1 0:30,L1 0:30"
                                                      << "- W -";
    QTest::newRow("own tick played it, leader same tick") << usual << "T1 0:31,T1 0:30,L1 0:30"
                                                          << "- W -";
    QTest::newRow("own clock slow, cue due at rejoin") << usual << "T1 0:32,T1 0:31,L1 0:30,L1 0:29"
                                                       << "- - W -";
    QTest::newRow("own clock fast, leader behind") << usual << "T1 0:30,L1 0:31,L1 0:30"
                                                   << "W - -";
    QTest::newRow("rejoin past the cue plays none") << usual << "T1 0:35,L1 0:25"
                                                    << "- -";
    QTest::newRow("announcement") << usual << "L1 0:11,L1 0:10,T1 0:09,L1 0:10"
                                  << "- A - -";
    QTest::newRow("next round plays again") << usual << "L1 0:30,L2 0:59,L4 0:05,L1 0:59,L1 0:30"
                                            << "W - - - W";
    QTest::newRow("one phase round and round") << "0 0 0 0 0 40 0 0"
                                               << "L3 0:30,T3 0:00,T3 0:39,T3 0:30"
                                               << "W - - W";
    QTest::newRow("START at 0:30 is not a tick") << "0 30 1 0 5 0 1 0"
                                                 << "L0 0:00,L1 0:30,L1 0:29"
                                                 << "- - -";
    QTest::newRow("a tick into a 0:31 phase") << "0 31 1 0 5 0 1 0"
                                              << "L4 0:00,L1 0:30"
                                              << "- W";
    QTest::newRow("reset, then START again") << usual << "L1 0:30,L0 0:00,L1 0:31,L1 0:30"
                                             << "W - - W";
}

void TestRoomsLogic::followerCues()
{
    QFETCH(QString, lengths);
    QFETCH(QString, steps);
    QFETCH(QString, cues);
    ClockSnapshot base;
    const QStringList lengthList = lengths.split(QLatin1Char(' '));
    for (int i = 0; i < 8; ++i)
        base.PhaseDurations[i] = std::int16_t(lengthList[i].toInt());
    FollowerSync sync;
    QStringList played;
    for (const QString &step : steps.split(QLatin1Char(','))) {
        ClockSnapshot s = base;
        s.Phase = std::uint8_t(step.mid(1, 1).toInt());
        s.RemainingMinutes = std::int16_t(step.mid(3, 1).toInt());
        s.RemainingSeconds = std::int16_t(step.mid(5, 2).toInt());
        s.TimerRunning = s.Phase != 0;
        const FollowerStep out
            = step.startsWith(QLatin1Char('L')) ? sync.takeLeaderSnapshot(s) : sync.takeOwnTick(s);
        QCOMPARE(out.show, s);
        played << (out.playWarning        ? QStringLiteral("W")
                       : out.playPhaseCue ? QStringLiteral("A")
                                          : QStringLiteral("-"));
    }
    QCOMPARE(played.join(QLatin1Char(' ')), cues);
}

QTEST_GUILESS_MAIN(TestRoomsLogic)
#include "tst_rooms_logic.moc"
