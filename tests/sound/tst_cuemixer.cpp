#include "sound/cuefiles.h"
#include "sound/cuemixer.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
std::shared_ptr<const PcmClip> clipOf(std::vector<std::int16_t> samples)
{
    return std::make_shared<const PcmClip>(PcmClip { { 8000, 1 }, std::move(samples) });
}

std::vector<std::int16_t> pull(CueMixer &mixer, int samples)
{
    std::vector<std::int16_t> out(std::size_t(samples), 99);
    const qint64 got = mixer.read(reinterpret_cast<char *>(out.data()), samples * 2);
    out.resize(std::size_t(got / 2));
    return out;
}
} // namespace

class CueMixerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void silenceBetweenCues()
    {
        CueMixer mixer({ 8000, 1 });
        QCOMPARE(pull(mixer, 4), (std::vector<std::int16_t> { 0, 0, 0, 0 }));
        QVERIFY(mixer.bytesAvailable() > 0); // an endless stream
    }

    void playsToTheEndThenStops()
    {
        CueMixer mixer({ 8000, 1 });
        mixer.play(0, clipOf({ 1, 2, 3 }));
        QVERIFY(mixer.isPlaying(0));
        QCOMPARE(pull(mixer, 2), (std::vector<std::int16_t> { 1, 2 }));
        QCOMPARE(pull(mixer, 3), (std::vector<std::int16_t> { 3, 0, 0 }));
        QVERIFY(!mixer.isPlaying(0));
    }

    void stopCutsOffAtOnceAndPlayRestarts()
    {
        CueMixer mixer({ 8000, 1 });
        const auto clip = clipOf({ 5, 6, 7, 8 });
        mixer.play(1, clip);
        pull(mixer, 2);
        mixer.stop(1);
        QCOMPARE(pull(mixer, 2), (std::vector<std::int16_t> { 0, 0 }));
        mixer.play(1, clip);
        QCOMPARE(pull(mixer, 1), (std::vector<std::int16_t> { 5 }));
    }

    void voicesMixWithoutWrapping()
    {
        CueMixer mixer({ 8000, 1 });
        mixer.play(0, clipOf({ 30000, -30000, 100 }));
        mixer.play(1, clipOf({ 30000, -30000, 23 }));
        QCOMPARE(pull(mixer, 3), (std::vector<std::int16_t> { 32767, -32768, 123 }));
    }

    void refusesClipsOfAnotherFormat()
    {
        CueMixer mixer({ 48000, 2 });
        mixer.play(0, clipOf({ 1, 2 }));
        QVERIFY(!mixer.isPlaying(0));
        mixer.play(7, nullptr); // no such voice: ignored
    }

    void ownRecordingWinsOverBuiltIn()
    {
        QTemporaryDir dir;
        QFile own(dir.filePath(QStringLiteral("idou.wav")));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write("RIFF");
        own.close();
        QCOMPARE(resolveCueFile(QStringLiteral("idou.wav"), QDir(dir.path())), own.fileName());
        QCOMPARE(resolveCueFile(QStringLiteral("yomu.wav"), QDir(dir.path())),
                 QStringLiteral(":/cues/yomu.wav"));
        QVERIFY(resolveCueFile(QStringLiteral("other.wav"), QDir(dir.path())).isEmpty());
        QVERIFY(resolveCueFile(QStringLiteral("../idou.wav"), QDir(dir.path())).isEmpty());
        QDir(dir.path()).mkdir(QStringLiteral("kohyo.wav")); // a folder is no cue file
        QCOMPARE(resolveCueFile(QStringLiteral("kohyo.wav"), QDir(dir.path())),
                 QStringLiteral(":/cues/kohyo.wav"));
    }
};

QTEST_GUILESS_MAIN(CueMixerTest)
#include "tst_cuemixer.moc"
