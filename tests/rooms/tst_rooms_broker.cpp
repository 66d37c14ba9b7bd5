// Leaders and followers through a real mosquitto on a loopback port of the test's own. A
// restarted broker and a killed leader are tested through whole programs, in
// tst_rooms_program.
#include "testbroker.h"

#include "rooms/mqttclient.h"
#include "rooms/roomfollower.h"
#include "rooms/roomleader.h"

#include <QSignalSpy>

using namespace zentrel;

namespace {
constexpr int WaitMs = 15000; // reconnection backoff included

ClockSnapshot clockAt(int phase, int minutes, int seconds)
{
    ClockSnapshot s;
    s.Phase = std::uint8_t(phase);
    s.RemainingMinutes = std::int16_t(minutes);
    s.RemainingSeconds = std::int16_t(seconds);
    s.PhaseDurations = { 1, 0, 1, 0, 5, 0, 1, 0 };
    s.TimerRunning = phase != 0;
    return s;
}

ClockSnapshot lastOf(const QSignalSpy &spy)
{
    return spy.isEmpty() ? ClockSnapshot {} : spy.last().at(0).value<ClockSnapshot>();
}
} // namespace

class TestRoomsBroker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void leaderAndFollowers();
    void secondLeaderRefused();
    void garbage_data();
    void garbage();

private:
    // A leader leading and a follower following it, on a circuit of the test's own.
    struct Linked
    {
        std::unique_ptr<RoomLeader> leader;
        std::unique_ptr<RoomFollower> follower;
        std::unique_ptr<QSignalSpy> snapshots;
        std::unique_ptr<QSignalSpy> cuts;
    };
    Linked linked(const QString &circuit);

    TestBroker m_broker;
};

void TestRoomsBroker::initTestCase()
{
    qRegisterMetaType<ClockSnapshot>();
    QVERIFY(m_broker.start());
}

// A test that failed half-way may have left the broker stopped.
void TestRoomsBroker::init()
{
    if (!m_broker.isRunning())
        QVERIFY(m_broker.start());
}

TestRoomsBroker::Linked TestRoomsBroker::linked(const QString &circuit)
{
    Linked l;
    l.leader = std::make_unique<RoomLeader>(m_broker.login(circuit));
    l.follower = std::make_unique<RoomFollower>(m_broker.login(circuit), QStringLiteral("Room A"));
    l.snapshots = std::make_unique<QSignalSpy>(l.follower.get(), &RoomFollower::snapshotReceived);
    l.cuts = std::make_unique<QSignalSpy>(l.follower.get(), &RoomFollower::cutOff);
    l.follower->start();
    l.leader->start();
    l.leader->publish(clockAt(1, 0, 31));
    [&] {
        QTRY_COMPARE_WITH_TIMEOUT(lastOf(*l.snapshots), clockAt(1, 0, 31), WaitMs);
    }();
    return l;
}

void TestRoomsBroker::leaderAndFollowers()
{
    Linked l = linked(QStringLiteral("reach"));
    QSignalSpy joined(l.leader.get(), &RoomLeader::followerJoined);
    QSignalSpy left(l.leader.get(), &RoomLeader::followerLeft);
    l.leader->publish(clockAt(1, 0, 30));
    QTRY_COMPARE_WITH_TIMEOUT(l.snapshots->size(), 2, WaitMs);
    QCOMPARE(lastOf(*l.snapshots), clockAt(1, 0, 30));

    // A room started mid-phase shows the leader's state at once, from the retained clock.
    auto late = std::make_unique<RoomFollower>(m_broker.login(QStringLiteral("reach")),
                                               QStringLiteral("Room B"));
    QSignalSpy lateSnapshots(late.get(), &RoomFollower::snapshotReceived);
    late->start();
    QTRY_COMPARE_WITH_TIMEOUT(lateSnapshots.size(), 1, WaitMs);
    QCOMPARE(lastOf(lateSnapshots), clockAt(1, 0, 30));
    QCOMPARE(late->link(), FollowerLink::Following);

    QTRY_COMPARE_WITH_TIMEOUT(l.leader->followerCount(), 2, WaitMs);
    QStringList rooms = l.leader->followerRooms();
    rooms.sort();
    QCOMPARE(rooms, QStringList({ QStringLiteral("Room A"), QStringLiteral("Room B") }));
    late.reset();
    QTRY_COMPARE_WITH_TIMEOUT(l.leader->followerCount(), 1, WaitMs);
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().at(0).toString(), QStringLiteral("Room B"));
    QVERIFY(l.cuts->isEmpty());
}

void TestRoomsBroker::secondLeaderRefused()
{
    Linked l = linked(QStringLiteral("second"));
    RoomLeader second(m_broker.login(QStringLiteral("second")));
    QSignalSpy refused(&second, &RoomLeader::refused);
    second.start();
    QTRY_COMPARE_WITH_TIMEOUT(refused.size(), 1, WaitMs);
    QVERIFY(refused.first().at(0).toString().contains(QStringLiteral("second")));
    QCOMPARE(second.state(), LeaderState::Refused);

    // The refused one left cleanly: the first still leads and is still followed.
    l.leader->publish(clockAt(2, 0, 59));
    QTRY_COMPARE_WITH_TIMEOUT(lastOf(*l.snapshots), clockAt(2, 0, 59), WaitMs);
    QCOMPARE(l.leader->state(), LeaderState::Leading);
    QVERIFY(l.cuts->isEmpty());
}

void TestRoomsBroker::garbage_data()
{
    QTest::addColumn<QByteArray>("topic"); // under zentrel/garbage/
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("followerRejects");
    QTest::addColumn<int>("leaderRejects");
    QTest::newRow("clock not JSON") << QByteArray("clock") << QByteArray("{\"v\":1,") << 1 << 0;
    QTest::newRow("clock oversized") << QByteArray("clock") << QByteArray(100000, '{') << 1 << 0;
    QTest::newRow("clock phase 9")
        << QByteArray("clock")
        << QByteArray(R"({"v":1,"leader":"a","seq":1,"phase":9,"paused":0,"minutes":0,)"
                      R"("seconds":0,"lengths":[0,0,0,0,0,0,0,0],"interval":999,"running":false})")
        << 1 << 0;
    QTest::newRow("leader presence version 2")
        << QByteArray("leader/a") << QByteArray(R"({"v":2,"leader":"a"})") << 1 << 1;
    QTest::newRow("room name with a bell")
        << QByteArray("rooms/abc") << QByteArray("{\"v\":1,\"room\":\"a\\u0007\"}") << 0 << 1;
    QTest::newRow("foreign topic") << QByteArray("stray/x") << QByteArray("{}") << 1 << 0;
}

void TestRoomsBroker::garbage()
{
    QFETCH(QByteArray, topic);
    QFETCH(QByteArray, payload);
    QFETCH(int, followerRejects);
    QFETCH(int, leaderRejects);
    Linked l = linked(QStringLiteral("garbage"));
    MqttClient sender(m_broker.login(QStringLiteral("garbage")), "garbagesender");
    sender.start();
    QTRY_VERIFY_WITH_TIMEOUT(sender.isConnected(), WaitMs);
    QVERIFY(sender.publish("zentrel/garbage/" + topic, payload, Retain::No));

    QTRY_COMPARE_WITH_TIMEOUT(l.follower->rejectedMessages() + l.leader->rejectedMessages(),
                              followerRejects + leaderRejects, WaitMs);
    QCOMPARE(l.follower->rejectedMessages(), followerRejects);
    QCOMPARE(l.leader->rejectedMessages(), leaderRejects);
    // Nothing stalled or changed: the next clock goes through as before.
    l.leader->publish(clockAt(1, 0, 29));
    QTRY_COMPARE_WITH_TIMEOUT(lastOf(*l.snapshots), clockAt(1, 0, 29), WaitMs);
    QCOMPARE(l.snapshots->size(), 2);
    QVERIFY(l.cuts->isEmpty());
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestRoomsBroker test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rooms_broker.moc"
