// A leading and a following program in one process, through a real mosquitto on a loopback
// port of the test's own, one of them behind the hall's Wi-Fi (FlakyProxy) in some rows. The
// test drives every tick; a following room's timer runs only as the test ticks it.
#include "flakyproxy.h"
#include "programrig.h"
#include "testbroker.h"

#include "circuit/cutofftext.h"
#include "circuit/followingrole.h"
#include "circuit/leaderwatch.h"
#include "examlog/csvrow.h"
#include "window/texts.h"

#include <QApplication>
#include <QSignalSpy>

using namespace zentrel;

namespace {
constexpr int WaitMs = 15000; // reconnection backoff included
const std::array<int, 8> ShortMoving { 0, 33, 0, 11, 5, 0, 1, 0 };

// KillLeader: a new leader takes over; KillBoth: the broker also restarts without the
// retained messages, and the new leader starts while it is down. Behind the proxy: the
// follower from Stall on, but the leader for LeaderResets.
enum class Cut {
    StopBroker,
    KillLeader,
    KillBoth,
    Stall,
    LongStall,
    Resets,
    Latency,
    LeaderResets
};
enum class Press { Start, Nothing };

const QString NoSyncMark = QString::fromUtf8(StatusMarks[std::size_t(StatusMark::NoSync)]);

QString status(ProgramRig &rig)
{
    return rig.label(Label::Status)->text();
}

// A leader is started on ShortMoving, showing 0:33 of Moving, once it has decided to lead and
// its commands are no longer locked. Its ticks are 9 s apart, so no real time passed moves a
// taken clock on.
std::unique_ptr<ProgramRig> room(RoleKind role, const BrokerLogin &login,
                                 Press press = Press::Start, const QString &folder = {})
{
    auto rig = std::make_unique<ProgramRig>(
        settingsFileBytes({ 9000, defaultLengths() }), QDBusConnection(QString()),
        RoomLink { role, login, QStringLiteral("101") }, nullptr, nullptr, folder);
    for (std::size_t slot = 0; role == RoleKind::Lead && slot < ShortMoving.size(); ++slot)
        rig->box(slot)->setText(QString::number(ShortMoving[slot]));
    if (role == RoleKind::Lead && press == Press::Start) {
        QTest::qWaitFor([&] { return rig->program->role().controls() == ClockControls::Operable; },
                        WaitMs);
        QTest::mouseClick(rig->button(Control::Start), Qt::LeftButton);
    }
    return rig;
}

// The cues played since the last call, each with the count shown as it played.
void collectPlays(ProgramRig &rig, QStringList &plays)
{
    for (const QString &line : rig.out->take().filter(u"play "_qs))
        plays << rig.shown() + u' ' + line.section(u"play "_qs, 1).section(u',', 0, 0);
}
// The session log's rows written so far, as text.
QString logRows(ProgramRig &rig)
{
    const QDir dir(rig.folder);
    return QString::fromUtf8(readFile(dir.filePath(dir.entryList({ u"*.csv"_qs }).value(0))));
}
} // namespace

class RoomsProgramTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Also after a test that failed with the broker stopped.
    void init() { QVERIFY(m_broker.isRunning() || m_broker.start()); }
    void cutOffAndBack_data();
    void cutOffAndBack();
    void lateFollowerAndSecondLeader();

private:
    TestBroker m_broker;
};

// Catches a follower that does not take the leader's state when it hears it again, a new
// leader that resets a running circuit instead of taking it over, a cue lost or doubled over
// a cut, and a first join, cut or rejoin logged other than once each.
void RoomsProgramTest::cutOffAndBack_data()
{
    QTest::addColumn<Cut>("cut");
    QTest::addColumn<int>("followerTicks"); // while cut off, from 0:33; the leader ticks 3
    QTest::addColumn<int>("jointTicks"); // then, the follower following
    // The leader counts further than the follower did: equal counts are the leader's.
    QTest::newRow("broker restarted") << Cut::StopBroker << 2 << 1;
    QTest::newRow("leader killed, another taking over") << Cut::KillLeader << 3 << 0;
    QTest::newRow("leader killed, broker restarted, another leading") << Cut::KillBoth << 3 << 0;
    QTest::newRow("stall of 5 s") << Cut::Stall << 3 << 1;
    QTest::newRow("stall of 30 s") << Cut::LongStall << 3 << 1;
    QTest::newRow("a reset before each tick") << Cut::Resets << 0 << 4;
    QTest::newRow("300±200 ms a chunk") << Cut::Latency << 0 << 4;
    QTest::newRow("leader behind resets") << Cut::LeaderResets << 0 << 4;
}

void RoomsProgramTest::cutOffAndBack()
{
    QFETCH(Cut, cut);
    QFETCH(int, followerTicks);
    QFETCH(int, jointTicks);
    static int row = 0; // a circuit of each row's own: no retained state is shared
    const QString circuit = QStringLiteral("cut%1").arg(++row);
    std::unique_ptr<ProgramRig> leader;
    QProcess child;
    const QTemporaryDir controlRoom; // the killed leader's folder, where the next one starts
    FlakyProxy proxy { quint16(m_broker.port()) };
    proxy.setLatency(cut == Cut::Latency ? 300 : 0, cut == Cut::Latency ? 200 : 0);
    const BrokerLogin proxied = m_broker.login(circuit, {}, {}, u"127.0.0.1"_qs, proxy.port());
    const bool leaderBehind = cut == Cut::LeaderResets, followerBehind = cut >= Cut::Stall;
    const bool killed = cut == Cut::KillLeader || cut == Cut::KillBoth;
    const bool stalled = cut == Cut::Stall || cut == Cut::LongStall;
    // An idle room does not keep a new leader from its own settings.
    auto follower = room(RoleKind::Follow,
                         followerBehind && !leaderBehind ? proxied : m_broker.login(circuit));
    if (killed) {
        child.start(QCoreApplication::applicationFilePath(),
                    { u"-lead"_qs, m_broker.url(circuit), controlRoom.path() });
    } else {
        leader = room(RoleKind::Lead, leaderBehind ? proxied : m_broker.login(circuit));
    }
    QTRY_COMPARE_WITH_TIMEOUT(follower->shown(), QStringLiteral("0:33"), WaitMs);
    follower->out->take();

    QStringList plays;
    if (cut == Cut::LeaderResets) {
        proxy.resetAll();
        QTRY_VERIFY_WITH_TIMEOUT(status(*leader).endsWith(NoSyncMark) && leader->running(), WaitMs);
    }
    if (!followerBehind || stalled) {
        if (cut == Cut::StopBroker || cut == Cut::KillBoth)
            m_broker.stop();
        if (killed)
            child.kill(); // no goodbye: the broker publishes the leader's will
        if (stalled)
            proxy.stall(cut == Cut::Stall ? 5000 : 30000);
        QTRY_VERIFY_WITH_TIMEOUT(status(*follower).endsWith(NoSyncMark),
                                 followerBehind ? LeaderLifeMs + 500 : WaitMs);
        QVERIFY(follower->running());
        for (int tick = 0; tick < followerTicks; ++tick) {
            follower->clock().tick();
            collectPlays(*follower, plays);
        }
        QCOMPARE(follower->shown(), QStringLiteral("0:%1").arg(33 - followerTicks));
    }
    if (cut == Cut::StopBroker || stalled) {
        for (int tick = 0; tick < 3; ++tick)
            leader->clock().tick();
        QVERIFY(cut != Cut::StopBroker || m_broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(!status(*follower).contains(NoSyncMark), WaitMs + 30000);
        QCOMPARE(follower->shown(), leader->shown());
        collectPlays(*follower, plays);
    } else if (killed) {
        leader = room(RoleKind::Lead, m_broker.login(circuit), Press::Nothing, controlRoom.path());
        if (cut == Cut::KillBoth)
            QVERIFY(m_broker.start());
        QTRY_COMPARE_WITH_TIMEOUT(leader->shown(), follower->shown(),
                                  cut == Cut::KillBoth ? 2 * WaitMs : 6000);
        QTRY_VERIFY_WITH_TIMEOUT(!status(*follower).contains(NoSyncMark), WaitMs);
        QCOMPARE(leader->window().lengthTexts()[1], QStringLiteral("33"));
        QVERIFY(logRows(*leader).contains(eventName(SessionEvent::CircuitTakenOver)));
        // Its own clock kept from the crash loses to the running circuit's, unasked.
        QVERIFY(leader->messages.shown.filter(u"前回"_qs).isEmpty());
        // The follower took the count it showed: no reset, no jump, no cue, no phase entered.
        const QStringList seen = follower->out->take();
        QVERIFY(!seen.isEmpty());
        QCOMPARE(
            seen.filter(QRegularExpression(u"^count 0:%1(, notice)?$"_qs.arg(33 - followerTicks))),
            seen);
        leader->clock().reset(); // the operator's, as the shifted button gives it
        QTRY_COMPARE_WITH_TIMEOUT(follower->clock().state().Phase, Phase::Reset, WaitMs);
    }
    for (int tick = 0; tick < jointTicks; ++tick) {
        if (cut == Cut::Resets)
            proxy.resetAll();
        leader->clock().tick();
        QTRY_COMPARE_WITH_TIMEOUT(follower->shown(), leader->shown(), WaitMs);
        collectPlays(*follower, plays);
    }
    if (!killed)
        QCOMPARE(status(*follower), status(*leader));
    // Its one cue, whatever the cut: a stall's burst of queued clocks is taken as its last.
    QCOMPARE(plays, QStringList { u"0:30 sec30.wav"_qs });
    if (!followerBehind || stalled) {
        const QString rows = logRows(*follower);
        QCOMPARE(std::tuple(rows.count(eventName(SessionEvent::SyncStarted)),
                            rows.count(eventName(SessionEvent::SyncLost)),
                            rows.count(eventName(SessionEvent::SyncRegained))),
                 std::tuple(1, 1, 1));
        // The killed leader's will reached the room: gone, not merely silent.
        QVERIFY(cut != Cut::KillLeader || rows.contains(cutOffText(CutOffReason::LeaderGone)));
    }
    child.waitForFinished(5000);
    if (leaderBehind) { // its lost broker logged
        leader->program.reset();
        QVERIFY(logRows(*leader).contains(eventName(SessionEvent::SyncLost)));
    }
}

// Catches the retained clock not shown at once, the lengths or interval not taken, controls
// enabled again by a paused state, a follower that saves its boxes at exit, a refused leader
// that stays open or ends without saying why, and a follower cut off by its leaving.
void RoomsProgramTest::lateFollowerAndSecondLeader()
{
    auto leader = room(RoleKind::Lead, m_broker.login(QStringLiteral("late")));
    leader->clock().tick();
    leader->clock().tick();
    QTest::mouseRelease(leader->button(Control::TrimUpTen), Qt::LeftButton,
                        Qt::ShiftModifier | Qt::ControlModifier);
    QTest::mouseClick(leader->button(Control::Pause), Qt::LeftButton);

    auto follower = room(RoleKind::Follow, m_broker.login(QStringLiteral("late")));
    QTRY_COMPARE_WITH_TIMEOUT(status(*follower), status(*leader), WaitMs);
    for (Label l : { Label::Minutes, Label::Seconds, Label::TickInterval })
        QCOMPARE(follower->label(l)->text(), leader->label(l)->text());
    QCOMPARE(follower->label(Label::TickInterval)->text(), QStringLiteral("9010"));
    QVERIFY(follower->window().lengthTexts() == leader->window().lengthTexts());
    for (std::size_t i = 0; i < ControlCount; ++i)
        QCOMPARE(follower->window().control(Control(i))->isEnabled(), Control(i) == Control::About);
    QTRY_COMPARE_WITH_TIMEOUT(leader->program->role().statusTip(),
                              QStringLiteral("1 部屋が同期中: 101"), WaitMs);

    QSignalSpy cuts(&static_cast<const FollowingRole &>(follower->program->role()).follower(),
                    &RoomFollower::cutOff);
    auto second = room(RoleKind::Lead, m_broker.login(QStringLiteral("late")), Press::Nothing);
    QSignalSpy quit(second->program.get(), &Program::quitRequested);
    QTRY_COMPARE_WITH_TIMEOUT(quit.size(), 1, WaitMs);
    QCOMPARE(quit.first().at(0).toInt(), 1);
    QCOMPARE(second->messages.shown.filter(QStringLiteral("late")).size(), 1);
    QVERIFY(logRows(*second).contains(eventName(SessionEvent::CircuitRefused)));
    second.reset();
    QTest::mouseClick(leader->button(Control::Resume), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(status(*follower), status(*leader), WaitMs);
    QVERIFY(cuts.isEmpty());

    const QByteArray before = follower->onDisk();
    QVERIFY(follower->window().close());
    QCOMPARE(follower->messages.shown, QStringList { QString::fromUtf8(ExitQuestion) });
    QCOMPARE(follower->onDisk(), before);
    follower.reset();
    QTRY_COMPARE_WITH_TIMEOUT(leader->program->role().statusTip(),
                              QStringLiteral("同期中の部屋はありません"), WaitMs);
    leader->program.reset(); // writes the last rows
    const QString rows = logRows(*leader);
    QVERIFY(rows.contains(eventName(SessionEvent::FollowerJoined))
            && rows.contains(eventName(SessionEvent::FollowerLeft)));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "-lead") == 0) { // the leader cutOffAndBack kills
        auto leader
            = room(RoleKind::Lead, brokerLogin(parseBrokerAddress(argv[2]).value, {}, {}).value,
                   Press::Start, QString::fromLocal8Bit(argv[3]));
        return QCoreApplication::exec();
    }
    RoomsProgramTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rooms_program.moc"
