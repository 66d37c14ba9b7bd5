#include "recordingoutlets.h"

#include "sound/cueplayer.h"
#include "sound/cueplayers.h"

#include <QTest>

namespace {
// Records what each operation sends to a player, by the player's name.
struct RecordingDevice : CueDevice
{
    RecordingDevice(QStringList &log, const char *name)
        : m_log(log)
        , m_name(QLatin1String(name))
    { }
    void setDeviceType(const QString &t) override
    {
        m_log << m_name + QStringLiteral(" DeviceType ") + t;
    }
    void setFileName(const QString &f) override
    {
        m_log << m_name + QStringLiteral(" FileName ") + f;
    }
    void setFlag(CueFlag f, bool v) override
    {
        m_log << m_name + QStringLiteral(" Flag%1 %2").arg(int(f)).arg(v);
    }
    void command(CueCommand c) override
    {
        static const char *names[] = { "Open", "Play", "Stop", "Close" };
        m_log << m_name + QLatin1Char(' ') + QLatin1String(names[int(c)]);
    }
    QStringList &m_log;
    QString m_name;
};

// A sound that plays until it is stopped; remembers which file was loaded.
struct FakeBackend : CueBackend
{
    bool load(const QString &f) override
    {
        m_loaded = f;
        return f != QStringLiteral("missing.wav");
    }
    void play() override { m_playing = true; }
    void stop() override { m_playing = false; }
    void unload() override { m_playing = false; }
    bool isPlaying() const override { return m_playing; }
    QString m_loaded;
    bool m_playing = false;
};

// The clock wired to two real players over fake sounds.
struct SoundRig
{
    FakeBackend phaseSound, warningSound;
    CuePlayer mm1 { phaseSound }, mm2 { warningSound };
    CuePlayers players { mm1, mm2 };
    QStringList log;
    FakeTickSource ticks { log };
    RecordingDisplay display { log };
    ExamClock clock { ticks, players, display };
    SoundRig() { players.InitCuePlayers(); }
};
} // namespace

class CuePlayersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operationSequences_data();
    void operationSequences();
    void playerStates_data();
    void playerStates();
    void lastFileGivenWins();
    void announcementCutsOffTheWarning();
    void resetAndStartSilenceEverything();
};

void CuePlayersTest::operationSequences_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("InitCuePlayers") << "init"
                                    << QStringList { "MM1 Stop",
                                                     "MM1 Close",
                                                     "MM1 Flag24 0",
                                                     "MM1 Flag26 0",
                                                     "MM1 DeviceType WaveAudio",
                                                     "MM2 Stop",
                                                     "MM2 Close",
                                                     "MM2 Flag24 0",
                                                     "MM2 Flag26 0",
                                                     "MM2 DeviceType WaveAudio",
                                                     "MM2 FileName sec30.wav" };
    QTest::newRow("SilenceCuePlayers")
        << "silence" << QStringList { "MM1 Stop", "MM1 Close", "MM2 Stop", "MM2 Close" };
    QTest::newRow("SetPhaseCueFile") << "set" << QStringList { "MM1 FileName kohyo.wav" };
    QTest::newRow("PlayWarningCue")
        << "warning"
        << QStringList { "MM1 Stop", "MM1 Close", "MM2 Stop", "MM2 Close", "MM2 Open", "MM2 Play" };
    QTest::newRow("PlayPhaseCue") << "phase"
                                  << QStringList { "MM2 Stop",  "MM2 Close", "MM1 Stop",
                                                   "MM1 Close", "MM1 Open",  "MM1 Play" };
}

void CuePlayersTest::operationSequences()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, sent);

    QStringList log;
    RecordingDevice mm1(log, "MM1"), mm2(log, "MM2");
    CuePlayers players(mm1, mm2);
    if (operation == "init")
        players.InitCuePlayers();
    else if (operation == "silence")
        players.SilenceCuePlayers();
    else if (operation == "set")
        players.SetPhaseCueFile(QStringLiteral("kohyo.wav"));
    else if (operation == "warning")
        players.PlayWarningCue();
    else
        players.PlayPhaseCue();
    QCOMPARE(log, sent);
}

// Commands from each state; "Stop" and "Close" are harmless everywhere.
void CuePlayersTest::playerStates_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<CuePlayerState>("state");

    using S = CuePlayerState;
    QTest::newRow("never opened: Stop, Close")
        << QStringList { "Stop", "Close", "Stop" } << S::Closed;
    QTest::newRow("Play while closed") << QStringList { "Play" } << S::Closed;
    QTest::newRow("Open") << QStringList { "Open" } << S::OpenStopped;
    QTest::newRow("Open, Play") << QStringList { "Open", "Play" } << S::OpenPlaying;
    QTest::newRow("Open, Play, Stop") << QStringList { "Open", "Play", "Stop" } << S::OpenStopped;
    QTest::newRow("Open, Play, Close") << QStringList { "Open", "Play", "Close" } << S::Closed;
    QTest::newRow("Open twice") << QStringList { "Open", "Play", "Open" } << S::OpenStopped;
    QTest::newRow("file that cannot play")
        << QStringList { "missing", "Open", "Play" } << S::Closed;
    QTest::newRow("no device type") << QStringList { "nodevice", "Open", "Play" } << S::Closed;
}

void CuePlayersTest::playerStates()
{
    QFETCH(QStringList, commands);
    QFETCH(CuePlayerState, state);

    FakeBackend sound;
    CuePlayer player(sound);
    player.setDeviceType(QStringLiteral("WaveAudio"));
    player.setFileName(QStringLiteral("yomu.wav"));
    for (const QString &c : commands) {
        if (c == "missing")
            player.setFileName(QStringLiteral("missing.wav"));
        else if (c == "nodevice")
            player.setDeviceType(QString());
        else
            player.command(c == "Open"       ? CueCommand::Open
                               : c == "Play" ? CueCommand::Play
                               : c == "Stop" ? CueCommand::Stop
                                             : CueCommand::Close);
    }
    QCOMPARE(player.state(), state);
}

// Reading of 0:00 is passed over: Examination plays the announcement given on entering
// it (Feedback's), not the one given on entering Reading.
void CuePlayersTest::lastFileGivenWins()
{
    SoundRig rig;
    rig.clock.start(ClockRig::boxes({ 0, 1, 0, 0, 0, 20, 1, 0 }));
    QCOMPARE(rig.mm1.fileName(), QStringLiteral("yomu.wav"));
    rig.clock.tick(); // Moving shows 0:00
    rig.clock.tick(); // Reading passed over, Examination shows 0:19
    QCOMPARE(rig.clock.state().Phase, 3);
    for (int i = 0; i < 9; ++i)
        rig.clock.tick();
    QCOMPARE(rig.display.m_seconds, QStringLiteral("10"));
    QCOMPARE(rig.phaseSound.m_loaded, QStringLiteral("kohyo.wav"));
    QCOMPARE(rig.mm1.state(), CuePlayerState::OpenPlaying);
}

void CuePlayersTest::announcementCutsOffTheWarning()
{
    SoundRig rig;
    rig.clock.start(ClockRig::boxes({ 0, 31, 1, 0, 1, 0, 1, 0 }));
    rig.clock.tick(); // 0:30
    QCOMPARE(rig.warningSound.m_loaded, QStringLiteral("sec30.wav"));
    QCOMPARE(rig.mm2.state(), CuePlayerState::OpenPlaying);
    for (int i = 0; i < 20; ++i)
        rig.clock.tick(); // 0:10; the fake warning is still sounding
    QCOMPARE(rig.mm2.state(), CuePlayerState::Closed);
    QVERIFY(!rig.warningSound.m_playing);
    QCOMPARE(rig.mm1.state(), CuePlayerState::OpenPlaying);
    QCOMPARE(rig.phaseSound.m_loaded, QStringLiteral("yomu.wav"));
}

void CuePlayersTest::resetAndStartSilenceEverything()
{
    SoundRig rig;
    rig.clock.start(ClockRig::boxes({ 0, 11, 1, 0, 1, 0, 1, 0 }));
    rig.clock.tick(); // 0:10: announcement sounds
    QCOMPARE(rig.mm1.state(), CuePlayerState::OpenPlaying);
    rig.clock.pause();
    QCOMPARE(rig.mm1.state(), CuePlayerState::OpenPlaying); // pause lets it play on
    rig.clock.reset();
    QCOMPARE(rig.mm1.state(), CuePlayerState::Closed);
    QVERIFY(!rig.phaseSound.m_playing);

    rig.mm2.command(CueCommand::Open);
    rig.mm2.command(CueCommand::Play);
    rig.clock.start(ClockRig::boxes({ 1, 0, 1, 0, 1, 0, 1, 0 }));
    QCOMPARE(rig.mm2.state(), CuePlayerState::Closed);
    QCOMPARE(rig.mm1.fileName(), QStringLiteral("yomu.wav"));
}

QTEST_GUILESS_MAIN(CuePlayersTest)
#include "tst_cueplayers.moc"
