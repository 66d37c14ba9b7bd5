#include "sound/cuefiles.h"
#include "sound/cueplayers.h"
#include "sound/voiceplayer.h"
#include "wavbytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zentrel;

Q_DECLARE_METATYPE(zentrel::CuePlayerState)

namespace {
// Records the commands a cue operation sends to one player.
struct RecordingPlayer : CueDevice
{
    RecordingPlayer(QStringList &log, const char *name)
        : m_log(log)
        , m_name(QLatin1String(name))
    { }
    void setFileName(const QString &f) override { m_log << m_name + QStringLiteral(" file ") + f; }
    void open() override { m_log << m_name + QStringLiteral(" open"); }
    void play() override { m_log << m_name + QStringLiteral(" play"); }
    void stop() override { m_log << m_name + QStringLiteral(" stop"); }
    void close() override { m_log << m_name + QStringLiteral(" close"); }
    QStringList &m_log;
    QString m_name;
};

std::vector<std::int16_t> pull(CueMixer &mixer, int samples)
{
    std::vector<std::int16_t> out(std::size_t(samples), 99);
    const qint64 got = mixer.read(reinterpret_cast<char *>(out.data()), samples * 2);
    out.resize(std::size_t(got / 2));
    return out;
}

std::shared_ptr<const PcmClip> clipOf(std::vector<std::int16_t> samples)
{
    return std::make_shared<const PcmClip>(PcmClip { { 8000, 1 }, std::move(samples) });
}
} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operationSequences_data();
    void operationSequences();
    void playerStates_data();
    void playerStates();
    void mixerPlaysCutsAndMixes();
    void decodes_data();
    void decodes();
    void builtInCuesDecode();
    void ownRecordingWinsOverBuiltIn();
};

void SoundTest::operationSequences_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("init") << "init"
                          << QStringList { "phase stop", "phase close", "warning stop",
                                           "warning close", "warning file sec30.wav" };
    QTest::newRow("silence") << "silence"
                             << QStringList { "phase stop", "phase close", "warning stop",
                                              "warning close" };
    QTest::newRow("set the phase cue") << "set" << QStringList { "phase file kohyo.wav" };
    QTest::newRow("play the warning")
        << "warning" << QStringList { "phase stop",    "phase close",  "warning stop",
                                      "warning close", "warning open", "warning play" };
    QTest::newRow("play the announcement")
        << "phase" << QStringList { "warning stop", "warning close", "phase stop",
                                    "phase close",  "phase open",    "phase play" };
}

void SoundTest::operationSequences()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, sent);

    QStringList log;
    RecordingPlayer phase(log, "phase"), warning(log, "warning");
    int prepared = 0;
    CuePlayers players(phase, warning, [&] { ++prepared; });
    const QHash<QString, std::function<void()>> operations {
        { "init",
          [&] {
              players.initCuePlayers();
          } },
        { "silence",
          [&] {
              players.silenceCuePlayers();
          } },
        { "set",
          [&] {
              players.setPhaseCueFile(QStringLiteral("kohyo.wav"));
          } },
        { "warning",
          [&] {
              players.playWarningCue();
          } },
        { "phase",
          [&] {
              players.playPhaseCue();
          } },
    };
    operations[operation]();
    QCOMPARE(log, sent);
    players.prepareForCue();
    QCOMPARE(prepared, 1); // notice reaches the sound path, and sends the players nothing
    QCOMPARE(log, sent);
}

// Commands from each state on a real player; stop and close are harmless everywhere.
void SoundTest::playerStates_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<CuePlayerState>("state");

    using S = CuePlayerState;
    QTest::newRow("never opened") << "yomu.wav"
                                  << "stop close stop" << S::Closed;
    QTest::newRow("play while closed") << "yomu.wav"
                                       << "play" << S::Closed;
    QTest::newRow("open") << "yomu.wav"
                          << "open" << S::OpenStopped;
    QTest::newRow("open, play") << "yomu.wav"
                                << "open play" << S::OpenPlaying;
    QTest::newRow("open, play, stop") << "yomu.wav"
                                      << "open play stop" << S::OpenStopped;
    QTest::newRow("open, play, close") << "yomu.wav"
                                       << "open play close" << S::Closed;
    QTest::newRow("open again stops") << "yomu.wav"
                                      << "open play open" << S::OpenStopped;
    QTest::newRow("no such file") << "missing.wav"
                                  << "open play" << S::Closed;
    QTest::newRow("no file name") << ""
                                  << "open play" << S::Closed;
}

void SoundTest::playerStates()
{
    QFETCH(QString, file);
    QFETCH(QString, commands);
    QFETCH(CuePlayerState, state);

    CueMixer mixer({ 48000, 2 });
    ClipCache cache;
    VoicePlayer player(mixer, 0, cache);
    player.setFileName(file);
    const QHash<QString, void (VoicePlayer::*)()> byName {
        { "open", &VoicePlayer::open },
        { "play", &VoicePlayer::play },
        { "stop", &VoicePlayer::stop },
        { "close", &VoicePlayer::close },
    };
    for (const QString &c : commands.split(u' '))
        (player.*byName[c])();
    QCOMPARE(player.state(), state);
    QCOMPARE(mixer.isPlaying(0), state == CuePlayerState::OpenPlaying);
}

void SoundTest::mixerPlaysCutsAndMixes()
{
    CueMixer mixer({ 8000, 1 });
    QCOMPARE(pull(mixer, 2), (std::vector<std::int16_t> { 0, 0 })); // silence between cues
    mixer.play(0, clipOf({ 1, 2, 3 }));
    QCOMPARE(pull(mixer, 2), (std::vector<std::int16_t> { 1, 2 }));
    QCOMPARE(pull(mixer, 3), (std::vector<std::int16_t> { 3, 0, 0 })); // played to its end
    QVERIFY(!mixer.isPlaying(0));

    mixer.play(1, clipOf({ 5, 6, 7 }));
    pull(mixer, 1);
    mixer.stop(1); // cuts off at once
    QCOMPARE(pull(mixer, 1), (std::vector<std::int16_t> { 0 }));

    mixer.play(0, clipOf({ 30000, -30000, 100 }));
    mixer.play(1, clipOf({ 30000, -30000, 23 }));
    QCOMPARE(pull(mixer, 3), (std::vector<std::int16_t> { 32767, -32768, 123 })); // no wrap

    CueMixer stereo({ 48000, 2 });
    stereo.play(0, clipOf({ 1, 2 })); // another format is refused
    QVERIFY(!stereo.isPlaying(0));
}

void SoundTest::decodes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("targetRate");
    QTest::addColumn<int>("targetChannels");
    QTest::addColumn<int>("frames"); // -1: refused
    QTest::addColumn<int>("firstSample");

    const QByteArray four = int16Samples({ 16384, -16384, 0, 32767 });
    QTest::newRow("16-bit mono spread to stereo")
        << wavBytes(1, 1, 48000, 16, four) << 48000 << 2 << 4 << 16384;
    QTest::newRow("stereo mixed to mono")
        << wavBytes(1, 2, 48000, 16, int16Samples({ 10000, 20000 })) << 48000 << 1 << 1 << 15000;
    QTest::newRow("24-bit") << wavBytes(1, 1, 8000, 24, QByteArray("\x00\x00\x40", 3)) << 8000 << 1
                            << 1 << 16384;
    QTest::newRow("32-bit float") << wavBytes(3, 1, 8000, 32, QByteArray("\x00\x00\x00\x3F", 4))
                                  << 8000 << 1 << 1 << 16384;
    QTest::newRow("odd chunk before fmt") << wavBytes(1, 1, 8000, 16, four,
                                                      QByteArray("LIST\x03\x00\x00\x00"
                                                                 "abc\x00",
                                                                 12))
                                          << 8000 << 1 << 4 << 16384;
    QTest::newRow("data cut short")
        << wavBytes(1, 1, 8000, 16, four).chopped(3) << 8000 << 1 << 2 << 16384;
    QTest::newRow("not RIFF") << QByteArray("RIFX0000WAVE") << 8000 << 1 << -1 << 0;
    QTest::newRow("ADPCM") << wavBytes(2, 1, 8000, 4, four) << 8000 << 1 << -1 << 0;
    QTest::newRow("no data chunk")
        << wavBytes(1, 1, 8000, 16, {}).chopped(8) << 8000 << 1 << -1 << 0;
}

void SoundTest::decodes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, targetRate);
    QFETCH(int, targetChannels);
    QFETCH(int, frames);
    QFETCH(int, firstSample);

    const auto clip = decodeWav(file, { targetRate, targetChannels });
    QCOMPARE(clip.has_value(), frames >= 0);
    if (!clip)
        return;
    QCOMPARE(int(clip->frames()), frames);
    QVERIFY(qAbs(clip->samples[0] - firstSample) <= 1);
    if (targetChannels == 2)
        QCOMPARE(clip->samples[1], clip->samples[0]);
}

void SoundTest::builtInCuesDecode()
{
    for (const char *name : { "yomu.wav", "hajime.wav", "kohyo.wav", "idou.wav", "sec30.wav" }) {
        const QString path
            = resolveCueFile(QLatin1String(name), QDir(QStringLiteral("/nonexistent")));
        QCOMPARE(path, QLatin1String(BuiltInCuePrefix) + QLatin1String(name));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto clip = decodeWav(file.readAll(), { 48000, 2 });
        QVERIFY2(clip, name);
        const double seconds = double(clip->frames()) / 48000.0;
        QVERIFY2(seconds > 0.5 && seconds < 3.0, name); // short spoken cues
    }
}

void SoundTest::ownRecordingWinsOverBuiltIn()
{
    QTemporaryDir dir;
    QFile own(dir.filePath(QStringLiteral("idou.wav")));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.close();
    const QDir folder(dir.path());
    QCOMPARE(resolveCueFile(QStringLiteral("idou.wav"), folder), own.fileName());
    QCOMPARE(resolveCueFile(QStringLiteral("yomu.wav"), folder), QStringLiteral(":/cues/yomu.wav"));
    QVERIFY(resolveCueFile(QStringLiteral("other.wav"), folder).isEmpty());
    QVERIFY(resolveCueFile(QStringLiteral("../idou.wav"), folder).isEmpty());
    QFile upper(dir.filePath(QStringLiteral("YOMU.WAV"))); // copied from another system
    QVERIFY(upper.open(QIODevice::WriteOnly));
    upper.close();
    QCOMPARE(resolveCueFile(QStringLiteral("yomu.wav"), folder), upper.fileName());
    QFile lower(dir.filePath(QStringLiteral("yomu.wav"))); // the exact name wins
    QVERIFY(lower.open(QIODevice::WriteOnly));
    lower.close();
    QCOMPARE(resolveCueFile(QStringLiteral("yomu.wav"), folder), lower.fileName());
    folder.mkdir(QStringLiteral("kohyo.wav")); // a folder is no cue file
    QCOMPARE(resolveCueFile(QStringLiteral("kohyo.wav"), folder),
             QStringLiteral(":/cues/kohyo.wav"));
}

QTEST_GUILESS_MAIN(SoundTest)
#include "tst_sound.moc"
