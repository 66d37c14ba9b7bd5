// Attacks and garbage on a circuit's topics, through a real mosquitto on a loopback port of
// the test's own: the leader leads on, the follower follows the live leader and shows no
// forged clock while a key is set.
#include "testbroker.h"

#include "circuit/brokerlink.h"
#include "circuit/leadingrole.h"
#include "circuit/roomfollower.h"
#include "circuit/roomleader.h"
#include "clock/examclock.h"

#include <QSignalSpy>

using namespace zentrel;

namespace {
constexpr int WaitMs = 15000;
const QByteArray Key = "0123456789abcdef-exam-day";

ClockState clockAt(int seconds)
{
    ClockState s;
    s.Phase = Phase::Moving;
    s.RemainingSeconds = std::int16_t(seconds);
    s.Timer = TimerRun::Running;
    return s;
}

// A clock a forger sends: 0:01 of the examination, under whichever id it likes.
QByteArray forgedClock(const QByteArray &leaderId, std::uint32_t sequence, int interval = 999)
{
    ClockState s = clockAt(1);
    s.Phase = Phase::Examination;
    s.TickIntervalMs = std::int16_t(interval);
    return encodeClockMessage({ s, sequence, leaderId });
}

bool isForged(const ClockState &s)
{
    return s.Phase == Phase::Examination;
}

enum class Attack {
    StalePresence, // 1
    ForgedClock, // 2
    HugeSequence, // 7
    PresenceCleared, // 8
    StolenClientId, // 10
    RoomFlood, // 11
    TinyInterval,
    SecondLeader,
};

struct Circuit
{
    explicit Circuit(const BrokerLogin &login)
        : leader(login)
        , follower(login, QStringLiteral("101"))
    { }
    RoomLeader leader;
    RoomFollower follower;
};
} // namespace

class TestRoomsBroker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_broker.start()); }
    void attacks_data();
    void attacks();
    void garbage_data();
    void garbage();
    void roomNameReachesLog();
    void tlsFailsClosed();
    void roomAccountCannotWriteClock();

private:
    BrokerLogin login(const QString &circuit, const QByteArray &key) const
    {
        BrokerLogin l = m_broker.login(circuit);
        l.circuitKey = key;
        return l;
    }
    TestBroker m_broker;
};

void TestRoomsBroker::attacks_data()
{
    QTest::addColumn<Attack>("attack");
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("1 stale retained presence") << Attack::StalePresence << QByteArray();
    QTest::newRow("2 forged clock, live id") << Attack::ForgedClock << QByteArray();
    QTest::newRow("2 forged clock, live id, keyed") << Attack::ForgedClock << Key;
    QTest::newRow("7 sequence 4294967295") << Attack::HugeSequence << QByteArray();
    QTest::newRow("7 sequence 4294967295, keyed") << Attack::HugeSequence << Key;
    QTest::newRow("8 presence cleared") << Attack::PresenceCleared << QByteArray();
    QTest::newRow("10 client id from the topics") << Attack::StolenClientId << QByteArray();
    QTest::newRow("11 flood of rooms") << Attack::RoomFlood << QByteArray();
    QTest::newRow("retained interval 1") << Attack::TinyInterval << QByteArray();
    QTest::newRow("second leader started") << Attack::SecondLeader << QByteArray();
    QTest::newRow("second leader started, keyed") << Attack::SecondLeader << Key;
}

void TestRoomsBroker::attacks()
{
    QFETCH(Attack, attack);
    QFETCH(QByteArray, key);
    static int row = 0;
    const QString name = QStringLiteral("attack%1").arg(++row);
    const RoomTopics topics(name);
    BrokerLink sender(login(name, {}), newSecretClientId());
    sender.start();
    QTRY_VERIFY_WITH_TIMEOUT(sender.isConnected(), WaitMs);
    // Retained leftovers from before: none of them keeps a leader from starting.
    QVERIFY(sender.publish(topics.leader("0"), R"({"v":1,"leader":"0"})", Retain::Yes));
    QVERIFY(sender.publish(topics.clock(), forgedClock("0", 5, 1), Retain::Yes));

    Circuit c(login(name, key));
    QSignalSpy states(&c.follower, &RoomFollower::stateReceived);
    QSignalSpy cuts(&c.follower, &RoomFollower::cutOff);
    QSignalSpy lost(&c.leader, &RoomLeader::brokerLost);
    QSignalSpy refused(&c.leader, &RoomLeader::refused);
    QSignalSpy ignored(&c.leader, &RoomLeader::roomIgnored);
    c.leader.start();
    c.follower.start();
    c.leader.publish(clockAt(40));
    QTRY_COMPARE_WITH_TIMEOUT(c.leader.state(), LeaderState::Leading, WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), WaitMs);
    QCOMPARE(states.last().at(0).value<ClockState>(), clockAt(40));

    const QByteArray id = c.leader.id();
    std::unique_ptr<BrokerLink> thief;
    std::unique_ptr<RoomLeader> second;
    switch (attack) {
    case Attack::StalePresence:
        QVERIFY(sender.publish(topics.leader("0"), R"({"v":1,"leader":"0"})", Retain::Yes));
        break;
    case Attack::ForgedClock:
        QVERIFY(
            sender.publish(topics.clock(), forgedClock(id, c.leader.sequence() + 1), Retain::No));
        break;
    case Attack::HugeSequence:
        QVERIFY(sender.publish(topics.clock(), forgedClock(id, 4294967295u), Retain::No));
        break;
    case Attack::PresenceCleared:
        QVERIFY(sender.publish(topics.leader(id), {}, Retain::Yes));
        break;
    case Attack::StolenClientId:
        for (const QByteArray &stolen : { id, "zentrel-lead-" + id }) {
            thief = std::make_unique<BrokerLink>(login(name, {}), stolen);
            thief->start();
            QTRY_VERIFY_WITH_TIMEOUT(thief->isConnected(), WaitMs);
        }
        break;
    case Attack::RoomFlood:
        for (int i = 0; i < MaxRooms + 5; ++i)
            sender.publish(topics.room("f" + QByteArray::number(i)),
                           encodeRoomPresence(QStringLiteral("F%1").arg(i)), Retain::No);
        QTRY_VERIFY_WITH_TIMEOUT(!ignored.isEmpty(), WaitMs);
        QCOMPARE(c.leader.roster().size(), MaxRooms);
        break;
    case Attack::TinyInterval:
        QVERIFY(sender.publish(topics.clock(), forgedClock(id, c.leader.sequence() + 1, 1),
                               Retain::Yes));
        break;
    case Attack::SecondLeader: {
        second = std::make_unique<RoomLeader>(login(name, key));
        QSignalSpy secondRefused(second.get(), &RoomLeader::refused);
        second->start();
        QTRY_VERIFY_WITH_TIMEOUT(!secondRefused.isEmpty(), WaitMs);
        QVERIFY(secondRefused.first().at(0).toString().contains(QString::fromLatin1(id)));
        break;
    }
    }
    QTest::qWait(300);
    c.leader.publish(clockAt(20));
    QTRY_COMPARE_WITH_TIMEOUT(states.last().at(0).value<ClockState>(), clockAt(20), WaitMs);
    QCOMPARE(c.leader.state(), LeaderState::Leading);
    QVERIFY(refused.isEmpty());
    QVERIFY(lost.isEmpty());
    QVERIFY(cuts.isEmpty());
    QCOMPARE(c.follower.link(), FollowerLink::Following);
    for (const QList<QVariant> &state : states) {
        const ClockState s = state.at(0).value<ClockState>();
        QVERIFY(s.TickIntervalMs >= TickIntervalFloorMs);
        if (!key.isEmpty())
            QVERIFY(!isForged(s));
    }
    sender.publish(topics.clock(), {}, Retain::Yes);
    sender.publish(topics.leader("0"), {}, Retain::Yes);
}

void TestRoomsBroker::garbage_data()
{
    QTest::addColumn<QByteArray>("topic"); // under zentrel/garbage/
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("followerRejects");
    QTest::addColumn<int>("leaderRejects");
    QTest::newRow("clock not JSON") << QByteArray("clock") << QByteArray("{\"v\":1,") << 1 << 1;
    QTest::newRow("leader presence version 2")
        << QByteArray("leader/a") << QByteArray(R"({"v":2,"leader":"a"})") << 1 << 0;
    QTest::newRow("room name with a bell")
        << QByteArray("rooms/abc") << QByteArray("{\"v\":1,\"room\":\"a\\u0007\"}") << 0 << 1;
    QTest::newRow("room standing unknown")
        << QByteArray("rooms/abc") << QByteArray(R"({"v":1,"room":"a","link":"x"})") << 0 << 1;
    QTest::newRow("foreign topic, read by nobody")
        << QByteArray("stray/x") << QByteArray("{}") << 0 << 0;
}

void TestRoomsBroker::garbage()
{
    QFETCH(QByteArray, topic);
    QFETCH(QByteArray, payload);
    QFETCH(int, followerRejects);
    QFETCH(int, leaderRejects);
    Circuit c(m_broker.login(QStringLiteral("garbage")));
    QSignalSpy states(&c.follower, &RoomFollower::stateReceived);
    BrokerLink sender(m_broker.login(QStringLiteral("garbage")), newSecretClientId());
    c.follower.start();
    c.leader.start();
    sender.start();
    c.leader.publish(clockAt(31));
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(sender.isConnected(), WaitMs);
    QVERIFY(sender.publish("zentrel/garbage/" + topic, payload, Retain::No));

    QTRY_COMPARE_WITH_TIMEOUT(c.follower.rejectedMessages() + c.leader.rejectedMessages(),
                              followerRejects + leaderRejects, WaitMs);
    QCOMPARE(c.follower.rejectedMessages(), followerRejects);
    QCOMPARE(c.leader.rejectedMessages(), leaderRejects);
    c.leader.publish(clockAt(29));
    QTRY_COMPARE_WITH_TIMEOUT(states.last().at(0).value<ClockState>(), clockAt(29), WaitMs);
}

// The room's name reaches the log as given; quoting it for a spreadsheet is the log's task.
void TestRoomsBroker::roomNameReachesLog()
{
    const QString name = QStringLiteral("=HYPERLINK(\"http://x\",\"y\")");
    ExamClock clock(TickDrive::Manual);
    LeadingRole role(m_broker.login(QStringLiteral("names")), clock);
    QSignalSpy happened(&role, &RoomRole::happened);
    RoomFollower follower(m_broker.login(QStringLiteral("names")), name);
    role.start();
    follower.start();
    const auto joined = [&] {
        return std::any_of(happened.begin(), happened.end(), [&](const QList<QVariant> &row) {
            return row.at(0).value<RoomEvent>() == RoomEvent::FollowerJoined
                && row.at(1).toString() == name;
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(joined(), WaitMs);
}

// A CA file that is no certificate: the leader ends with a reason, nothing goes in clear.
void TestRoomsBroker::tlsFailsClosed()
{
    BrokerLogin l = m_broker.login(QStringLiteral("tls"));
    l.address.transport = BrokerTransport::Tls;
    l.caFile = QStringLiteral(__FILE__);
    RoomLeader leader(l);
    QSignalSpy refused(&leader, &RoomLeader::refused);
    leader.start();
    QTRY_COMPARE_WITH_TIMEOUT(refused.size(), 1, WaitMs);
    QVERIFY(refused.first().at(0).toString().contains(u"TLS"_qs));
    QCOMPARE(leader.state(), LeaderState::Refused);
}

// The shipped broker set-up (scripts/broker.sh, packaging/mosquitto/) on a loopback port:
// a room's account cannot publish a clock, so its followers never see one.
void TestRoomsBroker::roomAccountCannotWriteClock()
{
    const int port = TestBroker::freePort();
    QTemporaryDir dir;
    QProcess broker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"ZENTREL_LEAD_PASSWORD"_qs, u"lead-secret"_qs);
    env.insert(u"ZENTREL_ROOM_PASSWORD"_qs, u"room-secret"_qs);
    broker.setProcessEnvironment(env);
    broker.start(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(u"../../scripts/broker.sh"_qs),
                 { QString::number(port), dir.path() });
    QVERIFY(broker.waitForStarted(5000));
    const auto account = [port](const char *user, const QByteArray &password) {
        const QString url
            = QStringLiteral("mqtt://%1@127.0.0.1:%2/acl").arg(QLatin1String(user)).arg(port);
        return brokerLogin(parseBrokerAddress(url).value, {}, password, NetworkTrust::Trusted)
            .value;
    };
    RoomLeader leader(account("lead", "lead-secret"));
    RoomFollower follower(account("room", "room-secret"), u"101"_qs);
    QSignalSpy states(&follower, &RoomFollower::stateReceived);
    BrokerLink forger(account("room", "room-secret"), newSecretClientId());
    leader.start();
    follower.start();
    forger.start();
    leader.publish(clockAt(40));
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(forger.isConnected(), WaitMs);
    for (std::uint32_t i = 1; i <= 3; ++i) {
        forger.publish(RoomTopics(u"acl"_qs).clock(),
                       forgedClock(leader.id(), leader.sequence() + i), Retain::No);
        QTest::qWait(400);
    }
    leader.publish(clockAt(20));
    QTRY_COMPARE_WITH_TIMEOUT(states.last().at(0).value<ClockState>(), clockAt(20), WaitMs);
    for (const QList<QVariant> &state : states)
        QVERIFY(!isForged(state.at(0).value<ClockState>()));
    QCOMPARE(leader.roster().following(), QStringList { u"101"_qs });
    broker.terminate();
    broker.waitForFinished(5000);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<ClockState>();
    qRegisterMetaType<RoomEvent>();
    TestRoomsBroker test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rooms_broker.moc"
