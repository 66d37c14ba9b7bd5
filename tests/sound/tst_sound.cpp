#include "rows.h"
#include "sound/cuefiles.h"
#include "sound/cueplayers.h"
#include "sound/voiceplayer.h"
#include "wavbytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zentrel;

namespace {
// Records the commands a cue operation sends to one player.
struct RecordingPlayer : CueDevice
{
    RecordingPlayer(QStringList &log, const char *name)
        : m_log(log)
        , m_name(QLatin1String(name))
    { }
    void setFileName(const QString &f) override { m_log << m_name + " file " + f; }
    void open() override { m_log << m_name + " open"; }
    void play() override { m_log << m_name + " play"; }
    void stop() override { m_log << m_name + " stop"; }
    void close() override { m_log << m_name + " close"; }
    QStringList &m_log;
    QString m_name;
};

struct Operation
{
    const char *name;
    void (*operate)(CuePlayers &);
    const char *sent;
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

Q_DECLARE_METATYPE(Operation)

class SoundTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What each operation sends to the phase and the warning player, in order.
    void operationSequences_data()
    {
        static const Operation rows[] = {
            { "init", [](CuePlayers &p) { p.initCuePlayers(); },
              "phase stop, phase close, warning stop, warning close, warning file sec30.wav" },
            { "silence", [](CuePlayers &p) { p.silenceCuePlayers(); },
              "phase stop, phase close, warning stop, warning close" },
            { "set the phase cue", [](CuePlayers &p) { p.setPhaseCueFile("kohyo.wav"); },
              "phase file kohyo.wav" },
            { "play the warning", [](CuePlayers &p) { p.playWarningCue(); },
              "phase stop, phase close, warning stop, warning close, warning open, warning play" },
            { "play the announcement", [](CuePlayers &p) { p.playPhaseCue(); },
              "warning stop, warning close, phase stop, phase close, phase open, phase play" },
        };
        addRows(rows);
    }

    void operationSequences()
    {
        QFETCH(Operation, row);
        QStringList log;
        RecordingPlayer phase(log, "phase"), warning(log, "warning");
        int prepared = 0;
        CuePlayers players(phase, warning, [&] { ++prepared; });
        row.operate(players);
        QCOMPARE(log.join(", "), row.sent);
        players.prepareForCue();
        QCOMPARE(prepared, 1); // notice reaches the sound path, and sends the players nothing
        QCOMPARE(log.join(", "), row.sent);
    }

    // A player on a real mixer, from state to state; the mixer must agree.
    void playerStates()
    {
        CueMixer mixer({ 48000, 2 });
        ClipCache cache;
        VoicePlayer player(mixer, 0, cache);
        player.setFileName("yomu.wav");
        player.open();
        player.play();
        QCOMPARE(player.state(), CuePlayerState::OpenPlaying);
        QVERIFY(mixer.isPlaying(0));
        player.open(); // again: stops
        QCOMPARE(player.state(), CuePlayerState::OpenStopped);
        player.play();
        player.stop();
        QCOMPARE(player.state(), CuePlayerState::OpenStopped);
        player.play();
        player.close();
        QCOMPARE(player.state(), CuePlayerState::Closed);
        QVERIFY(!mixer.isPlaying(0));
    }

    void mixerPlaysCutsAndMixes()
    {
        using Samples = std::vector<std::int16_t>;
        CueMixer mixer({ 8000, 1 });
        mixer.play(0, clipOf({ 1, 2, 3 }));
        QCOMPARE(pull(mixer, 2), (Samples { 1, 2 }));
        QCOMPARE(pull(mixer, 3), (Samples { 3, 0, 0 })); // played to its end, silence after
        QVERIFY(!mixer.isPlaying(0));

        mixer.play(1, clipOf({ 5, 6, 7 }));
        pull(mixer, 1);
        mixer.stop(1); // cuts off at once
        QCOMPARE(pull(mixer, 1), (Samples { 0 }));

        mixer.play(0, clipOf({ 30000, -30000, 100 }));
        mixer.play(1, clipOf({ 30000, -30000, 23 }));
        QCOMPARE(pull(mixer, 3), (Samples { 32767, -32768, 123 })); // no wrap

        CueMixer stereo({ 48000, 2 });
        stereo.play(0, clipOf({ 1, 2 })); // another format is refused
        QVERIFY(!stereo.isPlaying(0));
    }

    // Each file's first sample is half full scale; the program always asks for 48 kHz stereo.
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("frames"); // -1: refused
        const QByteArray four = QByteArrayLiteral("\x00\x40\x00\xC0\x00\x00\xFF\x7F");
        const QByteArray mono = wavBytes(1, 1, 48000, 16, four);
        QTest::newRow("16-bit mono spread to stereo") << mono << 4;
        QTest::newRow("unsigned 8-bit") << wavBytes(1, 1, 48000, 8, "\xC0") << 1;
        QTest::newRow("24-bit") << wavBytes(1, 1, 48000, 24, QByteArrayLiteral("\0\0\x40")) << 1;
        QTest::newRow("32-bit float")
            << wavBytes(3, 1, 48000, 32, QByteArrayLiteral("\0\0\0\x3F")) << 1;
        QTest::newRow("extensible") << wavBytes(0xFFFE, 1, 48000, 16, four) << 4;
        QTest::newRow("odd chunk before fmt")
            << wavBytes(1, 1, 48000, 16, four, QByteArrayLiteral("LIST\3\0\0\0abc\0")) << 4;
        QTest::newRow("data cut short") << mono.chopped(3) << 2;
        QTest::newRow("not RIFF") << QByteArray(mono).replace(0, 4, "RIFX") << -1;
        QTest::newRow("ADPCM") << wavBytes(2, 1, 48000, 16, four) << -1;
        QTest::newRow("no data chunk") << wavBytes(1, 1, 48000, 16, {}).chopped(8) << -1;
    }

    void decodes()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, frames);
        const auto clip = decodeWav(file, { 48000, 2 });
        QCOMPARE(clip ? int(clip->frames()) : -1, frames);
        if (clip) {
            QVERIFY(qAbs(clip->samples[0] - 16384) <= 1);
            QCOMPARE(clip->samples[1], clip->samples[0]);
        }
    }

    void builtInCuesDecode()
    {
        for (const char *name :
             { "yomu.wav", "hajime.wav", "kohyo.wav", "idou.wav", "sec30.wav" }) {
            const QString path = resolveCueFile(name, QDir("/nonexistent"));
            QCOMPARE(path, QLatin1String(BuiltInCuePrefix) + name);
            const auto clip = ClipCache().clip(path, { 48000, 2 });
            QVERIFY2(clip && clip->frames() > 24000 && clip->frames() < 144000, name); // 0.5 to 3 s
        }
    }

    void ownRecordingWinsOverBuiltIn()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("idou.wav")).open(QIODevice::WriteOnly));
        QVERIFY(QFile(dir.filePath("YOMU.WAV")).open(QIODevice::WriteOnly)); // from another system
        const QDir folder(dir.path());
        QCOMPARE(resolveCueFile("idou.wav", folder), dir.filePath("idou.wav"));
        QCOMPARE(resolveCueFile("yomu.wav", folder), dir.filePath("YOMU.WAV"));
        QVERIFY(resolveCueFile("other.wav", folder).isEmpty());
        // No way out of the folder, even to a file that is there.
        QVERIFY(QDir(dir.filePath("sub")).mkpath("."));
        QVERIFY(resolveCueFile("../idou.wav", QDir(dir.filePath("sub"))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SoundTest)
#include "tst_sound.moc"
