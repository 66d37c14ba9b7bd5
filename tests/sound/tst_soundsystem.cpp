#include "sound/soundsystem.h"

#include <QCoreApplication>
#include <QTest>

// The real players and sound device. On CI there is no device at all: every operation in
// every state must still return and the players keep their states.
class SoundSystemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyOperationInEveryState()
    {
        SoundSystem sound;
        CueOutlet &cues = sound.cues();
        // Never opened: all five operations.
        cues.SilenceCuePlayers();
        cues.PlayPhaseCue(); // no file name yet
        cues.InitCuePlayers();
        QCOMPARE(sound.warningPlayer().fileName(), QStringLiteral("sec30.wav"));

        for (const char *file :
             { "yomu.wav", "hajime.wav", "kohyo.wav", "idou.wav", "nosuchfile.wav" }) {
            cues.SetPhaseCueFile(QLatin1String(file));
            cues.PlayWarningCue();
            QCOMPARE(sound.warningPlayer().state(), CuePlayerState::OpenPlaying);
            cues.PlayPhaseCue();
            QCOMPARE(sound.warningPlayer().state(), CuePlayerState::Closed);
            const bool exists = QLatin1String(file) != QLatin1String("nosuchfile.wav");
            QCOMPARE(sound.phasePlayer().state() == CuePlayerState::Closed, !exists);
            QCoreApplication::processEvents();
            cues.PlayPhaseCue(); // again, while sounding
            cues.SilenceCuePlayers();
            QCOMPARE(sound.phasePlayer().state(), CuePlayerState::Closed);
            cues.SilenceCuePlayers(); // on closed players
        }
    }
};

QTEST_MAIN(SoundSystemTest)
#include "tst_soundsystem.moc"
