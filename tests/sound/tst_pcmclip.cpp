#include "sound/cuefiles.h"
#include "sound/pcmclip.h"
#include "wavbytes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

class PcmClipTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("targetRate");
        QTest::addColumn<int>("targetChannels");
        QTest::addColumn<int>("frames"); // -1: refused
        QTest::addColumn<int>("firstSample");

        const QByteArray four = int16Samples({ 16384, -16384, 0, 32767 });
        QTest::newRow("16-bit mono as is")
            << wavBytes(1, 1, 48000, 16, four) << 48000 << 1 << 4 << 16384;
        QTest::newRow("mono spread to stereo")
            << wavBytes(1, 1, 48000, 16, four) << 48000 << 2 << 4 << 16384;
        QTest::newRow("stereo mixed to mono")
            << wavBytes(1, 2, 48000, 16, int16Samples({ 10000, 20000 })) << 48000 << 1 << 1
            << 15000;
        QTest::newRow("24000 Hz doubled")
            << wavBytes(1, 1, 24000, 16, four) << 48000 << 1 << 8 << 16384;
        QTest::newRow("8-bit unsigned")
            << wavBytes(1, 1, 8000, 8, QByteArray("\xC0\x40", 2)) << 8000 << 1 << 2 << 16384;
        QTest::newRow("24-bit") << wavBytes(1, 1, 8000, 24, QByteArray("\x00\x00\x40", 3)) << 8000
                                << 1 << 1 << 16384;
        QTest::newRow("32-bit float") << wavBytes(3, 1, 8000, 32, QByteArray("\x00\x00\x00\x3F", 4))
                                      << 8000 << 1 << 1 << 16384;
        QTest::newRow("extensible PCM")
            << wavBytes(0xFFFE, 1, 8000, 16, four) << 8000 << 1 << 4 << 16384;
        QTest::newRow("odd chunk before fmt") << wavBytes(1, 1, 8000, 16, four,
                                                          QByteArray("LIST\x03\x00\x00\x00"
                                                                     "abc\x00",
                                                                     12))
                                              << 8000 << 1 << 4 << 16384;
        QTest::newRow("data cut short")
            << wavBytes(1, 1, 8000, 16, four).chopped(3) << 8000 << 1 << 2 << 16384;
        QTest::newRow("not RIFF") << QByteArray("RIFX0000WAVE") << 8000 << 1 << -1 << 0;
        QTest::newRow("empty") << QByteArray() << 8000 << 1 << -1 << 0;
        QTest::newRow("ADPCM") << wavBytes(2, 1, 8000, 4, four) << 8000 << 1 << -1 << 0;
        QTest::newRow("no channels") << wavBytes(1, 0, 8000, 16, four) << 8000 << 1 << -1 << 0;
        QTest::newRow("no data chunk")
            << wavBytes(1, 1, 8000, 16, {}).chopped(8) << 8000 << 1 << -1 << 0;
    }
    void decodes()
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

    void builtInCuesDecode()
    {
        for (const char *name :
             { "yomu.wav", "hajime.wav", "kohyo.wav", "idou.wav", "sec30.wav" }) {
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

    // Random and damaged files give a clip or nothing, never a crash.
    void survivesGarbage()
    {
        QRandomGenerator random(20261206);
        const QByteArray good = wavBytes(1, 2, 22050, 16, int16Samples({ 1, 2, 3, 4, 5, 6 }));
        for (int i = 0; i < 20000; ++i) {
            QByteArray bytes = good;
            const int flips = 1 + random.bounded(6);
            for (int f = 0; f < flips; ++f)
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            if (random.bounded(4) == 0)
                bytes.truncate(random.bounded(bytes.size()));
            const auto clip = decodeWav(bytes, { 48000, 2 });
            if (clip)
                QVERIFY(clip->samples.size() % 2 == 0);
        }
    }
};

QTEST_GUILESS_MAIN(PcmClipTest)
#include "tst_pcmclip.moc"
