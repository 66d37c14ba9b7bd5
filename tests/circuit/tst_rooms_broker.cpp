// Attacks and garbage on a circuit's topics, through a real mosquitto on a loopback port of
// the test's own and through the shipped set-up (TLS, passwords, its CA and ACL): the leader
// leads on, the follower follows the live leader and shows no forged clock while a key is
// set or the shipped ACL keeps rooms from writing the clock. Rows numbered as the README's
// threat model.
#include "rows.h"
#include "testbroker.h"

#include "circuit/brokerlink.h"
#include "circuit/followingrole.h"
#include "circuit/messageseal.h"
#include "circuit/roomfollower.h"
#include "circuit/roomleader.h"
#include "clock/examclock.h"

#include <QDateTime>
#include <QSignalSpy>

using namespace zentrel;

namespace {
constexpr int WaitMs = 15000;
constexpr int FloodCount = 200; // of each kind: under the link's queue bound together
const QByteArray Key = "0123456789abcdef-exam-day";
const QByteArray Parked(MaxMessageBytes + 76, 'x'); // a legal packet, dropped by the broker

ClockState clockAt(int seconds)
{
    ClockState s;
    s.Phase = Phase::Moving;
    s.RemainingSeconds = std::int16_t(seconds);
    s.Timer = TimerRun::Running;
    return s;
}

// A forger's clock: 0:01 of the examination, ticking every millisecond.
QByteArray forgedClock(const QByteArray &leaderId, std::uint32_t sequence)
{
    ClockState s = clockAt(1);
    s.Phase = Phase::Examination;
    s.TickIntervalMs = 1;
    return encodeClockMessage({ s, sequence, leaderId });
}

// Shipped: the shipped set-up with TLS, its ACL and a key; the sender is a room.
enum Net { Plain, Keyed, Shipped };
// Bait: a counting room's presence a new leader must not take: forged, or beyond its phase.
enum class Attack {
    Publish,
    LateRoom,
    ProbeFlood,
    ReplayedPresence,
    Successor,
    StolenClientId,
    Bait
};

struct Row
{
    const char *name;
    Net net;
    Attack attack;
    const char *topic = nullptr; // below the circuit's; %1: the leader's id, %2: the room's
    const char *payload = nullptr; // null: a forged clock, one past the leader's
    int followerRejects = 0, leaderRejects = 0;
    Retain retain = Retain::No;
    std::uint32_t sequence = 1; // the forged clock's; below 100: that far past the leader's
};

// clang-format off
const Row Rows[] = {
    { "1 forged clock 64 ahead, gone with the next", Plain, Attack::Publish, "clock", nullptr, 0, 0, Retain::No, 64 },
    { "1 forged clock, keyed", Keyed, Attack::Publish, "clock", nullptr, 1, 1 },
    { "2 retained sequence 4294967295, a room started later", Plain, Attack::LateRoom, "clock", nullptr, 0, 0, Retain::Yes, 4294967295u },
    { "3 probes and cleared presences", Plain, Attack::ProbeFlood, nullptr, nullptr, FloodCount, FloodCount },
    { "3 probes and cleared presences, keyed", Keyed, Attack::ProbeFlood, nullptr, nullptr, 2 * FloodCount, 2 * FloodCount },
    { "4 a room's goodbye sent by the room account", Shipped, Attack::Publish, "rooms/%2", "", 0, 1, Retain::Yes },
    { "4 a room's older signed presence replayed", Keyed, Attack::ReplayedPresence },
    { "5 a dead leader's clocks replayed to its successor", Keyed, Attack::Successor },
    { "client id from the topics", Plain, Attack::StolenClientId },
    { "6 a counting room's forged presence, keyed", Keyed, Attack::Bait },
    { "6 a presence counting beyond its phase", Plain, Attack::Bait },
    { "8 room account parks an oversized message", Shipped, Attack::Publish, "rooms/big", Parked.constData(), 0, 0, Retain::Yes },
    { "room account writes a clock through the shipped ACL", Shipped, Attack::Publish, "clock" },
    { "clock not JSON", Plain, Attack::Publish, "clock", R"({"v":1,)", 1, 1 },
    { "leader presence version 2", Plain, Attack::Publish, "leader/a", R"({"v":2,"leader":"a"})", 1, 0 },
    { "leader id not a client id", Plain, Attack::Publish, "leader/A-B", "{}", 1, 1 },
    { "room id too long", Plain, Attack::Publish, "rooms/0123456789abcdef0123456789abcdef0", "{}", 0, 1 },
    { "room name with a bell", Plain, Attack::Publish, "rooms/abc", R"({"v":1,"room":"a\u0007"})", 0, 1 },
    { "room reason unknown", Plain, Attack::Publish, "rooms/abc", R"({"v":1,"room":"a","why":"x"})", 0, 1 },
    { "foreign topic, read by nobody", Plain, Attack::Publish, "stray/x", "{}", 0, 0 },
};
// clang-format on

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
    void reasons();
    void linkContract();
    void tlsFailsClosed_data();
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
    keyed.circuitKey = Key;
    BrokerLogin lead = m_shipped.login(u"acl"_qs, u"lead"_qs);
    BrokerLogin room = m_shipped.login(u"acl"_qs, u"room"_qs);
    lead.circuitKey = room.circuitKey = Key;
    m_circuits[Plain].reset(new Circuit(m_broker.login(u"plain"_qs), m_broker.login(u"plain"_qs)));
    m_circuits[Keyed].reset(new Circuit(keyed, keyed));
    m_circuits[Shipped].reset(new Circuit(lead, room));
    for (auto &c : m_circuits)
        c->sender.start();
    for (auto &c : m_circuits)
        QTRY_VERIFY_WITH_TIMEOUT(c->sender.isConnected(), WaitMs);
    // Retained leftovers from before: none of them keeps a leader from starting.
    BrokerLink &sender = m_circuits[Plain]->sender;
    QVERIFY(sender.publish("zentrel/plain/leader/0", R"({"v":1,"leader":"0"})", Retain::Yes));
    QVERIFY(sender.publish("zentrel/plain/clock", forgedClock("0", 5), Retain::Yes));
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
    const QByteArray root = "zentrel/" + c.lead.address.circuit.toUtf8() + '/';
    const int followerRejects = c.follower.rejectedMessages() + row.followerRejects;
    const int leaderRejects = c.leader.rejectedMessages() + row.leaderRejects;
    std::unique_ptr<BrokerLink> thieves[2];
    std::unique_ptr<RoomFollower> late;
    const qint64 startedAt = QDateTime::currentMSecsSinceEpoch();
    const std::uint32_t sent = c.leader.sequence();
    if (row.topic) {
        QVERIFY(c.sender.publish(
            QByteArray(root + row.topic).replace("%1", id).replace("%2", c.follower.publicId()),
            row.payload ? QByteArray(row.payload)
                        : forgedClock(id, row.sequence < 100 ? sent + row.sequence : row.sequence),
            row.retain));
    }
    switch (row.attack) {
    case Attack::Publish:
        break;
    case Attack::LateRoom:
        QTest::qWait(300);
        late = std::make_unique<RoomFollower>(c.lead, u"102"_qs);
        late->start();
        break;
    case Attack::ProbeFlood:
        for (int i = 0; i < FloodCount; ++i) {
            c.sender.publish(root + "probe/" + id, "{}", Retain::No);
            c.sender.publish(root + "leader/" + id, {}, Retain::No);
        }
        QTRY_COMPARE_WITH_TIMEOUT(c.leader.rejectedMessages(), leaderRejects, WaitMs);
        QVERIFY(c.leader.sequence() - sent
                <= (QDateTime::currentMSecsSinceEpoch() - startedAt) / 1000 + 2);
        break;
    case Attack::ReplayedPresence: {
        const QByteArray topic = root + "rooms/replayed";
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (const auto &[standing, at] : { std::pair { RoomStanding::Following, now },
                                            std::pair { RoomStanding::CutOff, now - 1000 } })
            c.sender.publish(
                topic, sealMessage(topic, encodeRoomPresence({ u"R9"_qs, standing }), Key, at),
                Retain::No);
        QTRY_VERIFY_WITH_TIMEOUT(c.leader.roster().contains("replayed"), WaitMs);
        QTest::qWait(300);
        QVERIFY(c.leader.roster().following().contains(u"R9"_qs));
        break;
    }
    case Attack::Successor: // a new leader on a circuit of its own, sent these every 200 ms
    case Attack::Bait: {
        const bool bait = row.attack == Attack::Bait;
        BrokerLogin next = c.lead;
        next.address.circuit = u"next%1"_qs.arg(int(row.attack) * 3 + row.net);
        RoomLeader fresh(next);
        QSignalSpy taken(&fresh, &RoomLeader::takingOver);
        fresh.start();
        const qint64 signedAt = QDateTime::currentMSecsSinceEpoch();
        const QByteArray topic
            = "zentrel/" + next.address.circuit.toUtf8() + (bait ? "/rooms/bait" : "/clock");
        ClockState shown = clockAt(9);
        shown.RemainingMinutes = std::int16_t(row.net == Plain ? 5 : 0); // Moving is 1:00
        const QByteArray presence
            = encodeRoomPresence({ u"R9"_qs, RoomStanding::CutOff, {}, shown, 0 });
        const QByteArray key
            = !bait ? Key : QByteArray(row.net == Keyed ? "forger-0123456789" : "");
        for (std::uint32_t seq = 1; fresh.state() == LeaderState::Checking && seq < 150;
             ++seq, QTest::qWait(200)) {
            const QByteArray message
                = bait ? presence : encodeClockMessage({ clockAt(9), seq, "dead" });
            c.sender.publish(topic, sealMessage(topic, message, key, signedAt), Retain::No);
        }
        QCOMPARE(fresh.state(), LeaderState::Leading);
        QVERIFY(taken.isEmpty() && fresh.rejectedMessages() > 0);
        // The dead leader's clocks held it only while they were fresh.
        QVERIFY(bait || QDateTime::currentMSecsSinceEpoch() - signedAt >= MaxClockSkewMs);
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
    }
    QTest::qWait(300);
    QTRY_COMPARE_WITH_TIMEOUT(c.follower.rejectedMessages(), followerRejects, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(c.leader.rejectedMessages(), leaderRejects, WaitMs);
    static int seconds = 59;
    c.leader.publish(clockAt(--seconds));
    QTRY_COMPARE_WITH_TIMEOUT(c.states.last().at(0).value<ClockState>(), clockAt(seconds), WaitMs);
    if (late) { // it follows the live leader, whatever sequence was left retained
        QSignalSpy lateStates(late.get(), &RoomFollower::stateReceived);
        QTRY_VERIFY_WITH_TIMEOUT(!lateStates.isEmpty(), WaitMs);
        QCOMPARE(lateStates.last().at(0).value<ClockState>(), clockAt(seconds));
    }
    QCOMPARE(c.leader.state(), LeaderState::Leading);
    QVERIFY(c.refused.isEmpty() && c.lost.isEmpty() && c.cuts.isEmpty());
    QVERIFY(c.leader.roster().following().contains(u"101"_qs));
    for (const QList<QVariant> &state : c.states) // none forged
        QVERIFY(row.net == Plain || state.at(0).value<ClockState>().Phase != Phase::Examination);
}

// A keyed room started after its leader was killed names no leader as the reason, not a
// clock skew, and another message version as "version"; every rejection is counted in the log.
void TestRoomsBroker::reasons()
{
    BrokerLogin login = m_broker.login(u"gone"_qs);
    login.circuitKey = Key;
    const QByteArray topic = "zentrel/gone/clock";
    BrokerLink &sender = m_circuits[Plain]->sender;
    const qint64 killedAt = QDateTime::currentMSecsSinceEpoch() - 12'000;
    QVERIFY(sender.publish(topic, sealMessage(topic, forgedClock("dead", 9), Key, killedAt),
                           Retain::Yes));
    QVERIFY(sender.publish("zentrel/gone/leader/zz", "x", Retain::Yes)); // read after the clock
    ExamClock clock(TickDrive::Manual);
    FollowingRole role(login, u"103"_qs, clock);
    QSignalSpy happened(&role, &RoomRole::happened);
    role.start();
    const RoomFollower &follower = role.follower();
    QTRY_VERIFY_WITH_TIMEOUT(follower.rejectedMessages() > 0, WaitMs);
    const int before = follower.rejectedMessages();
    for (int i = 0; i < 5; ++i)
        sender.publish(topic, "x", Retain::No);
    QTRY_COMPARE_WITH_TIMEOUT(follower.rejectedMessages(), before + 5, WaitMs);
    QCOMPARE(follower.why(), StepFault::NoLeader);
    const QByteArray v2 = forgedClock("other", 9).replace(R"("v":1)", R"("v":2)");
    sender.publish(topic, sealMessage(topic, v2, Key, QDateTime::currentMSecsSinceEpoch()),
                   Retain::No);
    QTRY_COMPARE_WITH_TIMEOUT(follower.why(), StepFault::Version, WaitMs);
    role.writeLastRows(); // every rejection counted in the log, the last row at exit
    int logged = 0;
    for (const QList<QVariant> &row : std::as_const(happened))
        if (row.at(0).value<SessionEvent>() == SessionEvent::MessagesRejected)
            logged += row.at(1).toString().section(u' ', 0, 0).toInt();
    QCOMPARE(logged, before + 6);
}

// What the rooms rely on from the broker link, whatever library is behind it. (The will on
// a kill: tst_rooms_program's killed leader is logged as gone, not silent.)
void TestRoomsBroker::linkContract()
{
    const BrokerLogin login = m_broker.login(u"contract"_qs);
    BrokerLink &sender = m_circuits[Plain]->sender;
    BrokerLink reader(login, newSecretClientId());
    QVERIFY(!reader.publish("zentrel/contract/x", "{}", Retain::No)); // refused while down
    for (int i = 0; i < 20; ++i)
        reader.addSubscription("zentrel/contract/" + QByteArray::number(i));
    QSignalSpy subscribed(&reader, &BrokerLink::subscribed);
    QSignalSpy arrived(&reader, &BrokerLink::messageArrived);
    QVERIFY(sender.publish("zentrel/contract/0", "retained", Retain::Yes));
    QTest::qWait(300);
    reader.start();
    QTRY_VERIFY_WITH_TIMEOUT(!subscribed.isEmpty(), WaitMs);
    // After every filter: the last one hears at once; the retained one came first.
    QVERIFY(
        sender.publish("zentrel/contract/19", QByteArray(MaxMessageBytes + 9, 'x'), Retain::No));
    QVERIFY(sender.publish("zentrel/contract/0", "live", Retain::No));
    QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 3, WaitMs);
    QCOMPARE(arrived[0].at(1).toByteArray(), QByteArray("retained"));
    QCOMPARE(arrived[0].at(2).value<Retain>(), Retain::Yes);
    QCOMPARE(arrived[1].at(1).toByteArray().size(), MaxMessageBytes + 1); // told oversized
    QCOMPARE(arrived[2].at(2).value<Retain>(), Retain::No);
}

// Nothing goes in clear when the broker's certificate does not verify, and a refused login is
// not retried for ever: the leader ends with a reason.
void TestRoomsBroker::tlsFailsClosed_data()
{
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::newRow("not a certificate") << QStringLiteral(__FILE__) << u"127.0.0.1"_qs << u"lead"_qs;
    QTest::newRow("another CA") << u"server.crt"_qs << u"127.0.0.1"_qs << u"lead"_qs;
    QTest::newRow("another host name") << u"ca.crt"_qs << u"127.1"_qs << u"lead"_qs;
    QTest::newRow("login refused") << u"ca.crt"_qs << u"127.0.0.1"_qs << u"nobody"_qs;
}

void TestRoomsBroker::tlsFailsClosed()
{
    QFETCH(QString, caFile);
    QFETCH(QString, host);
    QFETCH(QString, user);
    RoomLeader leader(m_shipped.login(u"tls"_qs, user, caFile, host));
    QSignalSpy refused(&leader, &RoomLeader::refused);
    leader.start();
    QTRY_COMPARE_WITH_TIMEOUT(refused.size(), 1, WaitMs);
    QVERIFY(
        refused.first().at(0).toString().contains(user == u"lead" ? u"TLS"_qs : u"ログイン"_qs));
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
