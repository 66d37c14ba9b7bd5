// Garbage on a circuit's topics, through a real mosquitto on a loopback port of the test's
// own: the leader and the follower count it and carry on. Everything a user sees of rooms is
// tested through whole programs, in tst_rooms_program.
#include "testbroker.h"

#include "circuit/brokerlink.h"
#include "circuit/roomfollower.h"
#include "circuit/roomleader.h"

#include <QSignalSpy>

using namespace zentrel;

namespace {
constexpr int WaitMs = 15000;

ClockSnapshot clockAt(int seconds)
{
    ClockSnapshot s;
    s.Phase = 1;
    s.RemainingSeconds = std::int16_t(seconds);
    s.PhaseDurations = { 1, 0, 1, 0, 5, 0, 1, 0 };
    s.TimerRunning = true;
    return s;
}
} // namespace

class TestRoomsBroker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_broker.start()); }
    void garbage_data();
    void garbage();

private:
    TestBroker m_broker;
};

void TestRoomsBroker::garbage_data()
{
    QTest::addColumn<QByteArray>("topic"); // under zentrel/garbage/
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("followerRejects");
    QTest::addColumn<int>("leaderRejects");
    QTest::newRow("clock not JSON") << QByteArray("clock") << QByteArray("{\"v\":1,") << 1 << 0;
    QTest::newRow("leader presence version 2")
        << QByteArray("leader/a") << QByteArray(R"({"v":2,"leader":"a"})") << 1 << 1;
    QTest::newRow("room name with a bell")
        << QByteArray("circuit/abc") << QByteArray("{\"v\":1,\"room\":\"a\\u0007\"}") << 0 << 1;
    QTest::newRow("foreign topic") << QByteArray("stray/x") << QByteArray("{}") << 1 << 0;
}

void TestRoomsBroker::garbage()
{
    QFETCH(QByteArray, topic);
    QFETCH(QByteArray, payload);
    QFETCH(int, followerRejects);
    QFETCH(int, leaderRejects);
    const BrokerLogin login = m_broker.login(QStringLiteral("garbage"));
    RoomLeader leader(login);
    RoomFollower follower(login, QStringLiteral("Room A"));
    QSignalSpy snapshots(&follower, &RoomFollower::stateReceived);
    QSignalSpy cuts(&follower, &RoomFollower::cutOff);
    BrokerLink sender(login, "garbagesender");
    follower.start();
    leader.start();
    sender.start();
    leader.publish(clockAt(31));
    QTRY_COMPARE_WITH_TIMEOUT(snapshots.size(), 1, WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(sender.isConnected(), WaitMs);
    QVERIFY(sender.publish("zentrel/garbage/" + topic, payload, Retain::No));

    QTRY_COMPARE_WITH_TIMEOUT(follower.rejectedMessages() + leader.rejectedMessages(),
                              followerRejects + leaderRejects, WaitMs);
    QCOMPARE(follower.rejectedMessages(), followerRejects);
    QCOMPARE(leader.rejectedMessages(), leaderRejects);
    // Nothing stalled or changed: the next clock goes through as before.
    leader.publish(clockAt(29));
    QTRY_COMPARE_WITH_TIMEOUT(snapshots.size(), 2, WaitMs);
    QCOMPARE(snapshots.last().at(0).value<ClockSnapshot>(), clockAt(29));
    QVERIFY(cuts.isEmpty());
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<ClockSnapshot>();
    TestRoomsBroker test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rooms_broker.moc"
