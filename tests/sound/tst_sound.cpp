#include "clock/examclock.h"
#include "files.h"
#include "rows.h"
#include "sound/cueplayer.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace zentrel;

namespace {
constexpr PcmFormat Mono { 48000, 1 };

struct Heard
{
    const char *name;
    const char *script;
    const char *heard;
};

// A WAVE file in memory.
QByteArray wavBytes(int encoding, int channels, int rate, int bits, const QByteArray &pcm,
                    const QByteArray &extraChunk = {})
{
    auto le = [](qint64 value, int bytes) {
        QByteArray out(bytes, 0);
        for (int i = 0; i < bytes; ++i)
            out[i] = char(value >> (8 * i));
        return out;
    };
    QByteArray fmt = le(encoding, 2) + le(channels, 2) + le(rate, 4)
        + le(rate * channels * bits / 8, 4) + le(channels * bits / 8, 2) + le(bits, 2);
    if (encoding == 0xFFFE) // sub-format: PCM
        fmt += le(22, 2) + le(bits, 2) + le(0, 4) + le(1, 2) + QByteArray(14, 0);
    QByteArray body = QByteArray("WAVE") + extraChunk + "fmt " + le(fmt.size(), 4) + fmt + "data"
        + le(pcm.size(), 4) + pcm;
    return QByteArray("RIFF") + le(body.size(), 4) + body;
}

std::shared_ptr<const PcmClip> clipOf(std::vector<std::int16_t> samples)
{
    return std::make_shared<const PcmClip>(PcmClip { Mono, std::move(samples) });
}

} // namespace

Q_DECLARE_METATYPE(Heard)

class SoundTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the room hears as cues are played: "w" and "a" play the warning (11 12 13) and
    // the announcement (21 22 23 24 25), "s" silences, "x" plays a file that is nowhere, and a
    // number takes that many samples from the output. A following room's clock takes the
    // leader's "t" tick (Moving at 0:39), "g" START (Moving at its full 1:00) or "r" RESET.
    void heard_data()
    {
        static const Heard rows[] = {
            { "from the first sample, silence after", "2 w 3 2 a 1", "0 0 11 12 13 0 0 21" },
            { "the announcement cuts off the warning", "w 1 a 3", "11 21 22 23" },
            { "the warning cuts off the announcement", "a 2 w 2", "21 22 11 12" },
            { "again from its beginning", "a 2 a 2", "21 22 21 22" },
            { "silence stops either", "a 1 s 2 w 1 s 2", "21 0 0 11 0 0" },
            { "a file that is nowhere is silent", "a 1 x 2", "21 0 0" },
            { "a tick taken from the leader plays on", "a 1 t 2", "21 22 23" },
            { "RESET taken from the leader silences", "a 1 t 1 r 2", "21 22 0 0" },
            { "START taken from the leader silences", "a 1 g 2", "21 0 0" },
        };
        addRows(rows);
    }

    void heard()
    {
        QFETCH(Heard, row);
        CuePlayer player({}, Mono);
        ExamClock clock(TickDrive::Manual);
        clock.startUp({});
        connect(&clock, &ExamClock::changed, &player, &CuePlayer::follow);
        QStringList out;
        for (const QString &step : QString::fromLatin1(row.script).split(u' ')) {
            if (step == u"t" || step == u"g" || step == u"r") {
                ClockState leader;
                leader.Phase = step == u"r" ? Phase::Reset : Phase::Moving;
                leader.RemainingMinutes = step == u"g" ? 1 : 0;
                leader.RemainingSeconds = step == u"t" ? 39 : 0;
                leader.Timer = step == u"r" ? TimerRun::Stopped : TimerRun::Running;
                clock.adopt(leader);
            } else if (step == u"w")
                player.play(CueVoice::Warning, clipOf({ 11, 12, 13 }));
            else if (step == u"a")
                player.play(CueVoice::Announcement, clipOf({ 21, 22, 23, 24, 25 }));
            else if (step == u"s")
                player.silence();
            else if (step == u"x")
                player.play(CueVoice::Warning, QStringLiteral("nowhere.wav"));
            else {
                std::vector<std::int16_t> block(std::size_t(step.toInt()), 99);
                player.render(block);
                for (std::int16_t sample : block)
                    out << QString::number(sample);
            }
        }
        QCOMPARE(out.join(u' '), QLatin1String(row.heard));
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
        QTest::newRow("24 kHz played at the stream's rate") << wavBytes(1, 1, 24000, 16, four) << 8;
        QTest::newRow("not RIFF") << QByteArray(mono).replace(0, 4, "RIFX") << -1;
        QTest::newRow("ADPCM") << wavBytes(2, 1, 48000, 16, four) << -1;
        QTest::newRow("no data chunk") << wavBytes(1, 1, 48000, 16, {}).chopped(8) << -1;
    }

    void decodes()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, frames);
        const auto clip = decodeWav(file, StreamFormat);
        QCOMPARE(clip ? int(clip->frames()) : -1, frames);
        if (clip) {
            QVERIFY(qAbs(clip->samples[0] - 16384) <= 1);
            QCOMPARE(clip->samples[1], clip->samples[0]);
        }
    }

    // Each cue is built in, found when the folder has none. The office's own recording wins,
    // whatever its letter case, but never from outside the folder, and replaced during the day
    // it is heard in its new form.
    void cueFiles()
    {
        for (const QString &name : cueFileNames()) {
            const QString path = resolveCueFile(name, QDir("/nonexistent"));
            QCOMPARE(path, QLatin1String(BuiltInCuePrefix) + name);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const auto clip = decodeWav(file.readAll(), StreamFormat);
            QVERIFY2(clip && clip->frames() > 24000 && clip->frames() < 144000,
                     qPrintable(name)); // 0.5 to 3 s
        }
        QTemporaryDir dir;
        const auto restore
            = qScopeGuard([previous = QDir::currentPath()] { QDir::setCurrent(previous); });
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString warning = QString::fromLatin1(WarningCueFile);
        const QString cue = dir.filePath(warning.toUpper());
        writeFile(cue, wavBytes(1, 1, 48000, 16, QByteArrayLiteral("\xE8\x03"))); // 1000
        QVERIFY(QDir(dir.filePath("sub")).mkpath("."));
        QVERIFY(resolveCueFile("other.wav", QDir(dir.path())).isEmpty());
        QVERIFY(resolveCueFile("../" + warning.toUpper(), QDir(dir.filePath("sub"))).isEmpty());
        CuePlayer player({ warning }, Mono);
        const auto firstHeard = [&] { // the first sample heard when the warning plays now
            player.play(CueVoice::Warning, warning);
            std::int16_t first = 0;
            player.render({ &first, 1 });
            return first;
        };
        QTRY_COMPARE(firstHeard(), 1000);
        writeFile(cue, wavBytes(1, 1, 48000, 16, QByteArrayLiteral("\x30\xF8\x30\xF8")));
        QTRY_COMPARE(firstHeard(), -2000);
    }
};

QTEST_GUILESS_MAIN(SoundTest)
#include "tst_sound.moc"
