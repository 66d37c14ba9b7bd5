// The rooms' plain logic: the broker address, the clock message reader and the follower's
// choice of state and cues.
#include "circuit/brokeraddress.h"
#include "circuit/clockmessage.h"
#include "circuit/followersync.h"

#include <QTest>

using namespace zentrel;

class TestRoomsLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data();
    void address();
    void clockMessage_data();
    void clockMessage();
    void followerCues_data();
    void followerCues();
};

void TestRoomsLogic::address_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("expected"); // transport user host port circuit password, or "!"
    const char *const rows[][5] = {
        { "plain, default port", "mqtt://ex.org/osce", "", "", "plain  ex.org 1883 osce " },
        { "tls, default port", "mqtts://10.0.0.5/osce-1", "", "", "tls  10.0.0.5 8883 osce-1 " },
        { "user ipv6 port CA", "mqtts://u@[::1]:9/A_b.c", __FILE__, "pw", "tls u ::1 9 A_b.c pw" },
        { "password in address", "mqtt://exam:secret@h/x", "", "", "!" },
        { "wildcard", "mqtt://h/a+", "", "", "!" },
        { "other scheme", "http://h/x", "", "", "!" },
        { "port zero", "mqtt://h:0/x", "", "", "!" },
        { "port too big", "mqtt://h:65536/x", "", "", "!" },
        { "CA file without tls", "mqtt://h/x", __FILE__, "", "!" },
        { "CA file missing", "mqtts://h/x", "/nonexistent", "", "!" },
        { "password, no user", "mqtt://h/x", "", "pw", "!" },
    };
    for (const auto &[name, text, caFile, password, expected] : rows)
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(caFile)
                            << QByteArray(password) << QString::fromUtf8(expected);
}

void TestRoomsLogic::address()
{
    QFETCH(QString, text);
    QFETCH(QString, caFile);
    QFETCH(QByteArray, password);
    QFETCH(QString, expected);
    const Checked<BrokerAddress> parsed = parseBrokerAddress(text);
    const Checked<BrokerLogin> login = brokerLogin(parsed.value, caFile, password);
    QCOMPARE(parsed.ok() && login.ok(), expected != QLatin1String("!"));
    const BrokerAddress &a = login.value.address;
    if (parsed.ok() && login.ok())
        QCOMPARE(QStringList({ a.transport == BrokerTransport::Tls ? u"tls"_qs : u"plain"_qs,
                               a.user, a.host, QString::number(a.port), a.circuit,
                               QString::fromUtf8(login.value.password) })
                     .join(u' '),
                 expected);
}

void TestRoomsLogic::clockMessage_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<MessageFault>("fault");
    const QByteArray good
        = R"({"v":1,"leader":"ab12","seq":7,"phase":3,"paused":0,"minutes":4,)"
          R"("seconds":27,"lengths":[1,0,1,0,5,0,1,0],"interval":999,"running":true})";
    QTest::newRow("oversized") << good + QByteArray(MaxMessageBytes, ' ')
                               << MessageFault::Oversized;
    QTest::newRow("not json") << good.left(40) << MessageFault::Malformed;
    const struct
    {
        const char *name, *from, *to;
        MessageFault fault;
    } rows[] = {
        { "accepted", "", "", MessageFault::None },
        { "version 2", R"("v":1)", R"("v":2)", MessageFault::WrongVersion },
        { "phase 5", R"("phase":3)", R"("phase":5)", MessageFault::OutOfRange },
        { "paused 2", R"("paused":0)", R"("paused":2)", MessageFault::OutOfRange },
        { "seconds 61", R"("seconds":27)", R"("seconds":61)", MessageFault::OutOfRange },
        { "minutes negative", R"("minutes":4)", R"("minutes":-1)", MessageFault::OutOfRange },
        { "fraction", R"("minutes":4)", R"("minutes":4.5)", MessageFault::OutOfRange },
        { "minutes as text", R"("minutes":4)", R"("minutes":"4")", MessageFault::Malformed },
        { "interval 0", R"("interval":999)", R"("interval":0)", MessageFault::OutOfRange },
        { "interval 32768", R"(:999)", R"(:32768)", MessageFault::OutOfRange },
        { "seven lengths", "[1,0,", "[0,", MessageFault::Malformed },
        { "length 100", "5,0,1,0]", "5,0,1,100]", MessageFault::OutOfRange },
        { "running while paused", R"("paused":0)", R"("paused":1)", MessageFault::OutOfRange },
        { "leader id with a slash", "ab12", "ab/2", MessageFault::OutOfRange },
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QByteArray(good).replace(row.from, row.to) << row.fault;
}

void TestRoomsLogic::clockMessage()
{
    QFETCH(QByteArray, payload);
    QFETCH(MessageFault, fault);
    const Decoded<ClockMessage> read = decodeClockMessage(payload);
    QCOMPARE(read.fault, fault);
    if (fault != MessageFault::None)
        return;
    const ClockMessage &m = read.value;
    const ClockSnapshot &c = m.clock;
    QCOMPARE(std::tuple(m.leaderId, m.sequence, c.Phase, c.Paused, c.RemainingMinutes,
                        c.RemainingSeconds, c.PhaseDurations[4], c.TickIntervalMs, c.TimerRunning),
             std::tuple(QByteArray("ab12"), 7u, 3, 0, 4, 27, 5, 999, true));
    QCOMPARE(decodeClockMessage(encodeClockMessage(m)).value, m);
}

// Each step: source (L leader, T own tick), phase, m:ss; each cue: - none, W warning,
// A the next phase's announcement.
void TestRoomsLogic::followerCues_data()
{
    QTest::addColumn<QString>("lengths");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("cues");
    const char *const usual = "1 0 1 0 5 0 1 0";
    const char *const rows[][4] = {
        { "leader counts through 0:30", usual, "L1 0:31,L1 0:30,L1 0:29", "-W-" },
        { "repeated 0:30 (pause, heartbeat)", usual, "L1 0:31,L1 0:30,L1 0:30", "-W-" },
        { "own tick played it, leader same tick", usual, "T1 0:31,T1 0:30,L1 0:30", "-W-" },
        { "own clock fast, leader behind", usual, "T1 0:30,L1 0:31,L1 0:30", "W--" },
        { "rejoin past the cue plays none", usual, "T1 0:35,L1 0:25", "--" },
        { "announcement", usual, "L1 0:11,L1 0:10,T1 0:09,L1 0:10", "-A--" },
        { "one phase round and round", "0 0 0 0 0 40 0 0", "L3 0:30,T3 0:00,T3 0:39,T3 0:30",
          "W--W" },
        { "START at 0:30 is not a tick", "0 30 1 0 5 0 1 0", "L0 0:00,L1 0:30,L1 0:29", "---" },
        { "a tick into a 0:31 phase", "0 31 1 0 5 0 1 0", "L4 0:00,L1 0:30", "-W" },
        { "rejoin in the next phase", usual, "T1 0:30,L2 0:35,L2 0:30", "W-W" },
    };
    for (const auto &[name, lengths, steps, cues] : rows)
        QTest::newRow(name) << QString::fromUtf8(lengths) << QString::fromUtf8(steps)
                            << QString::fromUtf8(cues);
}

void TestRoomsLogic::followerCues()
{
    QFETCH(QString, lengths);
    QFETCH(QString, steps);
    QFETCH(QString, cues);
    ClockSnapshot base;
    const QStringList lengthList = lengths.split(u' ');
    for (int i = 0; i < 8; ++i)
        base.PhaseDurations[i] = std::int16_t(lengthList[i].toInt());
    FollowerSync sync;
    QString played;
    for (const QString &step : steps.split(u',')) {
        ClockSnapshot s = base;
        s.Phase = std::uint8_t(step.mid(1, 1).toInt());
        s.RemainingMinutes = std::int16_t(step.mid(3, 1).toInt());
        s.RemainingSeconds = std::int16_t(step.mid(5, 2).toInt());
        s.TimerRunning = s.Phase != 0;
        const FollowerStep out = step[0] == u'L' ? sync.takeLeaderSnapshot(s) : sync.takeOwnTick(s);
        QCOMPARE(out.show, s);
        played += out.playWarning ? u'W' : out.playPhaseCue ? u'A' : u'-';
    }
    QCOMPARE(played, cues);
}

QTEST_GUILESS_MAIN(TestRoomsLogic)
#include "tst_rooms_logic.moc"
