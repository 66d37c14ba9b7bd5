// The circuit's plain logic: the broker address and key, the clock message reader and its
// seal, which leader a room follows and which clock is news, and the leader's roster.
#include "circuit/brokeraddress.h"
#include "circuit/clockmessage.h"
#include "circuit/leaderwatch.h"
#include "circuit/messageseal.h"
#include "circuit/roomroster.h"

#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace zentrel;

class TestRoomsLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data();
    void address();
    void clockMessage_data();
    void clockMessage();
    void leaderWatch_data();
    void leaderWatch();
    void seal_data();
    void seal();
    void keyFile_data();
    void keyFile();
    void roster();
};

void TestRoomsLogic::address_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("expected"); // transport user host port circuit password, or "!"
    QTest::addColumn<NetworkTrust>("trust");
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
        { "password in clear", "mqtt://u@h/x", "", "pw", "!" },
        { "password in clear, trusted network", "mqtt://u@h/x", "", "pw", "plain u h 1883 x pw" },
    };
    for (const auto &[name, text, caFile, password, expected] : rows)
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(caFile)
                            << QByteArray(password) << QString::fromUtf8(expected)
                            << (QByteArray(name).contains("trusted") ? NetworkTrust::Trusted
                                                                     : NetworkTrust::Untrusted);
}

void TestRoomsLogic::address()
{
    QFETCH(QString, text);
    QFETCH(QString, caFile);
    QFETCH(QByteArray, password);
    QFETCH(QString, expected);
    QFETCH(NetworkTrust, trust);
    const Checked<BrokerAddress> parsed = parseBrokerAddress(text);
    const Checked<BrokerLogin> login = brokerLogin(parsed.value, caFile, password, trust);
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
        { "a 0:60 phase, as START allows", R"("seconds":27,"lengths":[1,0,)",
          R"("seconds":60,"lengths":[0,60,)", MessageFault::None },
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
    const ClockState &c = m.clock;
    QCOMPARE(decodeClockMessage(encodeClockMessage(m)).value, m);
    if (qstrcmp(QTest::currentDataTag(), "accepted") != 0)
        return;
    QCOMPARE(std::tuple(m.leaderId, m.sequence, c.Phase, c.Paused, c.RemainingMinutes,
                        c.RemainingSeconds, c.PhaseDurations[4], c.TickIntervalMs, c.Timer),
             std::tuple(QByteArray("ab12"), 7u, Phase::Examination, Pause::Off, 4, 27, 5, 999,
                        TimerRun::Running));
    // Taken from the wire, an interval below the trim floor never drives this room's timer.
    ClockState fast = c;
    fast.TickIntervalMs = 1;
    QCOMPARE(runnable(fast).TickIntervalMs, TickIntervalFloorMs);
    QCOMPARE(runnable(c), c);
}

// Each step: leader id, sequence and arrival in ms ("A2@900"); each verdict: T take,
// H hold, R repeat, O other leader, W own, X refused.
void TestRoomsLogic::leaderWatch_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("verdicts");
    const char *const rows[][3] = {
        { "one message is no life", "A1@0,A2@900", "HT" },
        { "repeat and lower are not news", "A1@0,A5@900,A5@950,A3@990,A6@1800", "HTRRT" },
        { "huge sequence refused, the next real one taken", "A1@0,A2@900,A4294967295@950,A3@1900",
          "HTXT" },
        { "a gap longer than life is not life", "A1@0,A2@2500,A3@3000", "HHT" },
        { "second live leader while the first lives", "A1@0,A2@900,B1@1000,B2@1500,A3@1800",
          "HTHOT" },
        { "followed dies, the live other is taken", "A1@0,A2@900,B1@1000,B2@1500,B3@3000",
          "HTHOT" },
        { "leader restarts: a new session counts from 1", "A1@0,A90@900,B1@4000,B2@4900", "HTHT" },
    };
    for (const auto &[name, steps, verdicts] : rows)
        QTest::newRow(name) << QString::fromUtf8(steps) << QString::fromUtf8(verdicts);
}

void TestRoomsLogic::leaderWatch()
{
    QFETCH(QString, steps);
    QFETCH(QString, verdicts);
    LeaderWatch watch;
    QString got;
    for (const QString &step : steps.split(u',')) {
        const qsizetype at = step.indexOf(u'@');
        ClockMessage m;
        m.leaderId = step.left(1).toLatin1().toLower();
        m.sequence = step.mid(1, at - 1).toUInt();
        const ClockVerdict v = watch.hear(m, step.mid(at + 1).toLongLong());
        got += QStringLiteral("THROWX").at(int(v));
    }
    QCOMPARE(got, verdicts);
}

// What a sealed message must carry to be taken by a room with the key.
void TestRoomsLogic::seal_data()
{
    QTest::addColumn<QByteArray>("readerKey");
    QTest::addColumn<QByteArray>("topic"); // read on
    QTest::addColumn<qint64>("skewMs");
    QTest::addColumn<QByteArray>("tamper"); // replaced by "X" in the sealed payload
    QTest::addColumn<MessageFault>("fault");
    const QByteArray key = "0123456789abcdef";
    const QByteArray topic = "zentrel/c/clock";
    QTest::newRow("same key") << key << topic << 0ll << QByteArray() << MessageFault::None;
    QTest::newRow("no key reads anything")
        << QByteArray() << topic << 99'000ll << QByteArray("9") << MessageFault::None;
    QTest::newRow("other key") << QByteArray("0123456789abcdeF") << topic << 0ll << QByteArray()
                               << MessageFault::Forged;
    QTest::newRow("other topic") << key << QByteArray("zentrel/c/rooms/a") << 0ll << QByteArray()
                                 << MessageFault::Forged;
    QTest::newRow("changed field")
        << key << topic << 0ll << QByteArray("27") << MessageFault::Forged;
    QTest::newRow("11 s ahead") << key << topic << 11'000ll << QByteArray() << MessageFault::Stale;
    QTest::newRow("11 s behind") << key << topic << -11'000ll << QByteArray()
                                 << MessageFault::Stale;
}

void TestRoomsLogic::seal()
{
    QFETCH(QByteArray, readerKey);
    QFETCH(QByteArray, topic);
    QFETCH(qint64, skewMs);
    QFETCH(QByteArray, tamper);
    QFETCH(MessageFault, fault);
    ClockMessage m;
    m.leaderId = "ab12";
    m.clock.RemainingSeconds = 27;
    const QByteArray plain = encodeClockMessage(m);
    const qint64 now = 1'800'000'000'000;
    QCOMPARE(sealMessage("zentrel/c/clock", plain, {}, now), plain); // no key: as ever
    QByteArray sealed = sealMessage("zentrel/c/clock", plain, "0123456789abcdef", now + skewMs);
    if (!tamper.isEmpty())
        sealed.replace(tamper, "3");
    QCOMPARE(openMessage(topic, sealed, readerKey, now).fault, fault);
    QCOMPARE(openMessage(topic, plain, "0123456789abcdef", now).fault, MessageFault::Unsigned);
    // A room of the version before reads a sealed clock as the plain one.
    if (tamper.isEmpty())
        QCOMPARE(decodeClockMessage(sealed).value, m);
}

void TestRoomsLogic::keyFile_data()
{
    QTest::addColumn<int>("mode"); // 0: no file
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<bool>("ok");
    const QByteArray key = "0123456789abcdef";
    QTest::newRow("owner only") << 0600 << key << QByteArray() << true;
    QTest::newRow("group may read") << 0640 << key << QByteArray() << false;
    QTest::newRow("others may read") << 0604 << key << QByteArray() << false;
    QTest::newRow("too short") << 0600 << QByteArray("short") << QByteArray() << false;
    QTest::newRow("file and environment") << 0600 << key << key << false;
    QTest::newRow("environment alone") << 0 << QByteArray() << key << true;
}

void TestRoomsLogic::keyFile()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, environment);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    QString path;
    if (mode) {
        path = dir.filePath(u"key"_qs);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content + '\n');
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
    }
    const Checked<QByteArray> key = circuitKey(environment, path);
    QCOMPARE(key.ok(), ok);
    if (ok)
        QCOMPARE(key.value, QByteArray("0123456789abcdef"));
}

// Catches a room counted twice, an unsorted or stale tooltip and no bound.
void TestRoomsLogic::roster()
{
    RoomRoster r;
    QCOMPARE(r.update("b", { u"102"_qs }), RosterChange::Joined);
    QCOMPARE(r.update("a", { u"101"_qs }), RosterChange::Joined);
    QCOMPARE(r.update("a", { u"101"_qs }), RosterChange::Same);
    QCOMPARE(r.update("c", { u"103"_qs, RoomStanding::Rejecting }), RosterChange::Joined);
    QCOMPARE(r.update("b", { u"102"_qs, RoomStanding::CutOff }), RosterChange::Restood);
    QCOMPARE(r.text(),
             u"1 部屋が同期中: 101\n同期していない部屋: 102（切断）, 103（鍵が合わず受信拒否）"_qs);
    QCOMPARE(r.remove("b"), RosterChange::Left);
    QCOMPARE(r.remove("b"), RosterChange::Same);
    for (int i = r.size(); i < MaxRooms; ++i)
        QCOMPARE(r.update(QByteArray::number(i), { QString::number(i) }), RosterChange::Joined);
    QCOMPARE(r.update("full", { u"x"_qs }), RosterChange::Full);
    QCOMPARE(r.size(), MaxRooms);
}

QTEST_GUILESS_MAIN(TestRoomsLogic)
#include "tst_rooms_logic.moc"
