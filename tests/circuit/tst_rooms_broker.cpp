// Attacks and garbage on a circuit's topics, through a real mosquitto on a loopback port of
// the test's own: the leader leads on, the follower follows the live leader and shows no
// forged clock while a key is set or the shipped ACL keeps rooms from writing the clock.
#include "rows.h"
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

ClockState clockAt(int seconds)
{
    ClockState s;
    s.Phase = Phase::Moving;
    s.RemainingSeconds = std::int16_t(seconds);
    s.Timer = TimerRun::Running;
    return s;
}

// A forger's clock: 0:01 of the examination.
QByteArray forgedClock(const QByteArray &leaderId, std::uint32_t sequence, int interval)
{
    ClockState s = clockAt(1);
    s.Phase = Phase::Examination;
    s.TickIntervalMs = std::int16_t(interval);
    return encodeClockMessage({ s, sequence, leaderId });
}

// Shipped: the shipped ACL, with the leader's and a room's account; the sender is a room.
enum Net { Plain, Keyed, Shipped };
enum class Attack { Publish, StolenClientId, RoomFlood, SecondLeader };

struct Row
{
    const char *name;
    Net net;
    Attack attack;
    const char *topic = nullptr; // below the circuit's; %1: the leader's id
    const char *payload = nullptr; // null: a forged clock
    int followerRejects = 0, leaderRejects = 0;
    Retain retain = Retain::No;
    std::uint32_t sequence = 1; // the forged clock's; below 100: that far past the leader's
    int interval = 999;
};

const Row Rows[] = {
    { "1 stale retained presence", Plain, Attack::Publish, "leader/0", R"({"v":1,"leader":"0"})", 0,
      0, Retain::Yes },
    { "2 forged clock, live id", Plain, Attack::Publish, "clock" },
    { "2 forged clock, live id, keyed", Keyed, Attack::Publish, "clock", nullptr, 1, 1 },
    { "7 sequence 4294967295", Plain, Attack::Publish, "clock", nullptr, 1, 0, Retain::No,
      4294967295u },
    { "7 sequence 4294967295, keyed", Keyed, Attack::Publish, "clock", nullptr, 1, 1, Retain::No,
      4294967295u },
    { "8 presence cleared", Plain, Attack::Publish, "leader/%1", "", 0, 0, Retain::Yes },
    { "10 client id from the topics", Plain, Attack::StolenClientId },
    { "room account writes a clock through the shipped ACL", Shipped, Attack::Publish, "clock",
      nullptr, 0, 0, Retain::No, 20 },
    { "retained interval 1", Plain, Attack::Publish, "clock", nullptr, 0, 0, Retain::Yes, 1, 1 },
    { "second leader started, keyed", Keyed, Attack::SecondLeader },
    { "clock not JSON", Plain, Attack::Publish, "clock", R"({"v":1,)", 1, 1 },
    { "leader presence version 2", Plain, Attack::Publish, "leader/a", R"({"v":2,"leader":"a"})", 1,
      0 },
    { "room name with a bell", Plain, Attack::Publish, "rooms/abc", R"({"v":1,"room":"a\u0007"})",
      0, 1 },
    { "room standing unknown", Plain, Attack::Publish, "rooms/abc",
      R"({"v":1,"room":"a","link":"x"})", 0, 1 },
    { "foreign topic, read by nobody", Plain, Attack::Publish, "stray/x", "{}", 0, 0 },
    { "11 flood of rooms", Plain, Attack::RoomFlood }, // the roster stays full
};

// A leader, a follower of room 101 and a sender that publishes anything, all on one circuit.
struct Circuit
{
    Circuit(const BrokerLogin &lead, const BrokerLogin &room)
        : lead(lead)
        , leader(lead)
        , follower(room, u"101"_qs)
        , sender(room, newSecretClientId())
    { }
    BrokerLogin lead;
    RoomLeader leader;
    RoomFollower follower;
    BrokerLink sender;
    QSignalSpy states { &follower, &RoomFollower::stateReceived };
    QSignalSpy cuts { &follower, &RoomFollower::cutOff };
    QSignalSpy lost { &leader, &RoomLeader::brokerLost };
    QSignalSpy refused { &leader, &RoomLeader::refused };
};
} // namespace

Q_DECLARE_METATYPE(Row)

class TestRoomsBroker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void attacks_data() { addRows(Rows); }
    void attacks();
    void roomNameReachesLog();
    void tlsFailsClosed();

private:
    TestBroker m_broker;
    TestBroker m_shipped { true };
    std::unique_ptr<Circuit> m_circuits[3];
};

void TestRoomsBroker::initTestCase()
{
    QVERIFY(m_broker.start() && m_shipped.start());
    BrokerLogin keyed = m_broker.login(u"keyed"_qs);
    keyed.circuitKey = "0123456789abcdef-exam-day";
    m_circuits[Plain].reset(new Circuit(m_broker.login(u"plain"_qs), m_broker.login(u"plain"_qs)));
    m_circuits[Keyed].reset(new Circuit(keyed, keyed));
    m_circuits[Shipped].reset(new Circuit(m_shipped.login(u"acl"_qs, u"lead"_qs),
                                          m_shipped.login(u"acl"_qs, u"room"_qs)));
    for (auto &c : m_circuits)
        c->sender.start();
    for (auto &c : m_circuits)
        QTRY_VERIFY_WITH_TIMEOUT(c->sender.isConnected(), WaitMs);
    // Retained leftovers from before: none of them keeps a leader from starting.
    BrokerLink &sender = m_circuits[Plain]->sender;
    QVERIFY(sender.publish("zentrel/plain/leader/0", R"({"v":1,"leader":"0"})", Retain::Yes));
    QVERIFY(sender.publish("zentrel/plain/clock", forgedClock("0", 5, 1), Retain::Yes));
    for (auto &c : m_circuits) {
        c->leader.start();
        c->follower.start();
        c->leader.publish(clockAt(59));
    }
    for (auto &c : m_circuits) {
        QTRY_COMPARE_WITH_TIMEOUT(c->leader.state(), LeaderState::Leading, WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!c->states.isEmpty(), WaitMs);
        QCOMPARE(c->states.last().at(0).value<ClockState>(), clockAt(59));
    }
}

// Each row on the circuit its earlier rows left; the leader then publishes a clock of its own.
void TestRoomsBroker::attacks()
{
    QFETCH(Row, row);
    Circuit &c = *m_circuits[row.net];
    const QByteArray id = c.leader.id();
    const int followerRejects = c.follower.rejectedMessages() + row.followerRejects;
    const int leaderRejects = c.leader.rejectedMessages() + row.leaderRejects;
    std::unique_ptr<BrokerLink> thieves[2];
    switch (row.attack) {
    case Attack::Publish: {
        const std::uint32_t sequence
            = row.sequence < 100 ? c.leader.sequence() + row.sequence : row.sequence;
        const QByteArray topic = "zentrel/" + c.lead.address.circuit.toUtf8() + '/' + row.topic;
        QVERIFY(c.sender.publish(QByteArray(topic).replace("%1", id),
                                 row.payload ? QByteArray(row.payload)
                                             : forgedClock(id, sequence, row.interval),
                                 row.retain));
        break;
    }
    case Attack::StolenClientId:
        thieves[0] = std::make_unique<BrokerLink>(c.lead, id);
        thieves[1] = std::make_unique<BrokerLink>(c.lead, "zentrel-lead-" + id);
        for (auto &thief : thieves) {
            thief->start();
            QTRY_VERIFY_WITH_TIMEOUT(thief->isConnected(), WaitMs);
        }
        break;
    case Attack::RoomFlood: {
        QSignalSpy ignored(&c.leader, &RoomLeader::roomIgnored);
        for (int i = 0; i < MaxRooms + 5; ++i)
            c.sender.publish("zentrel/plain/rooms/f" + QByteArray::number(i),
                             encodeRoomPresence(QStringLiteral("F%1").arg(i)), Retain::No);
        QTRY_VERIFY_WITH_TIMEOUT(!ignored.isEmpty(), WaitMs);
        QCOMPARE(c.leader.roster().size(), MaxRooms);
        break;
    }
    case Attack::SecondLeader: {
        RoomLeader second(c.lead);
        QSignalSpy refused(&second, &RoomLeader::refused);
        second.start();
        QTRY_VERIFY_WITH_TIMEOUT(!refused.isEmpty(), WaitMs);
        QVERIFY(refused.first().at(0).toString().contains(QString::fromLatin1(id)));
        break;
    }
    }
    QTest::qWait(300);
    QTRY_COMPARE_WITH_TIMEOUT(c.follower.rejectedMessages(), followerRejects, WaitMs);
    QCOMPARE(c.leader.rejectedMessages(), leaderRejects);
    static int seconds = 59;
    c.leader.publish(clockAt(--seconds));
    QTRY_COMPARE_WITH_TIMEOUT(c.states.last().at(0).value<ClockState>(), clockAt(seconds), WaitMs);
    QCOMPARE(c.leader.state(), LeaderState::Leading);
    QVERIFY(c.refused.isEmpty() && c.lost.isEmpty() && c.cuts.isEmpty());
    QCOMPARE(c.follower.link(), FollowerLink::Following);
    QVERIFY(c.leader.roster().following().contains(u"101"_qs));
    for (const QList<QVariant> &state : c.states) {
        const ClockState s = state.at(0).value<ClockState>();
        QVERIFY(s.TickIntervalMs >= TickIntervalFloorMs);
        QVERIFY(row.net == Plain || s.Phase != Phase::Examination); // none forged
    }
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
    const QVariantList joined { QVariant::fromValue(SessionEvent::FollowerJoined), name };
    QTRY_VERIFY_WITH_TIMEOUT(happened.contains(joined), WaitMs);
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

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<ClockState>();
    qRegisterMetaType<SessionEvent>();
    TestRoomsBroker test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rooms_broker.moc"
