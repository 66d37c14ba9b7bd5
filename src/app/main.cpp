#include "app/commandline.h"
#include "app/program.h"
#include "app/screenchoice.h"
#include "awake/quitonsignal.h"
#include "sound/cuefiles.h"
#include "sound/soundsystem.h"
#include "window/uifont.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>

#include <cstdio>
#include <cstdlib>

using namespace zentrel;

namespace {
// --help and --version print and end before any window system is needed.
bool asksForTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v"
            || arg == "--version")
            return true;
    }
    return false;
}

WebNames webNames(const RoomLink &rooms)
{
    return { rooms.room, rooms.role == RoleKind::Alone ? QString() : rooms.login.address.circuit };
}
} // namespace

int main(int argc, char *argv[])
{
    blockEndingSignals(); // before any thread starts: they all inherit the mask
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        processCommandLine(QCoreApplication::arguments());
    }
    QApplication app(argc, argv);
    const CommandLine line = processCommandLine(QApplication::arguments());
    QScreen *screen = nullptr;
    if (!line.screen.isEmpty() && !(screen = findScreen(line.screen))) {
        std::fprintf(stderr, "zentrel-timer: 画面 %s がありません / no screen %s; screens: %s\n",
                     qUtf8Printable(line.screen), qUtf8Printable(line.screen),
                     qUtf8Printable(screenList()));
        return EXIT_FAILURE;
    }
    // Opened first: a port that cannot be had ends the run before any window shows.
    std::unique_ptr<WebDoors> web;
    if (line.web.port != 0) {
        web = std::make_unique<WebDoors>(webNames(line.rooms), line.webLimits);
        if (const QString problem = web->open(line.web); !problem.isEmpty()) {
            std::fprintf(stderr, "zentrel-timer: %s\n", qUtf8Printable(problem));
            return EXIT_FAILURE;
        }
    }
    quitOnSignals(); // a signal unwinds: the screen hold is released and the log written
    applyUiFont();
    SoundSystem sound;
    MessageBoxPresenter messages;
    // A cue due is heard from the folder's own file or the built-in one, while an output is
    // there to hear it on.
    const auto cueCheck = [&sound](const QString &file) {
        const QString path = resolveCueFile(file);
        CueHearing heard { path.startsWith(QLatin1String(BuiltInCuePrefix)) ? CueSource::BuiltIn
                                                                            : CueSource::Folder };
        if (path.isEmpty())
            heard.whyNotHeard = QStringLiteral("ファイルがありません");
        else if (!sound.output().soundReachable())
            heard.whyNotHeard = QStringLiteral("音声出力装置がありません");
        return heard;
    };
    Program program({ TickDrive::Timer, messages, QDir::currentPath(), line.logFolder,
                      QDBusConnection::sessionBus(), cueCheck, line.rooms, web.get() });
    QObject::connect(&program, &Program::quitRequested, &app,
                     [](int status) { QCoreApplication::exit(status); });
    QObject::connect(&program.clock(), &ExamClock::changed, &sound.player(), &CuePlayer::follow);
    QObject::connect(&sound.output(), &PulseOutput::soundReachableChanged, &program,
                     [&program](bool reachable) {
                         program.setSoundMissing(reachable ? Presence::Absent : Presence::Present);
                     });
    // Logging out or shutting down goes through exit as a close does.
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &program, [&program](QSessionManager &manager) {
            const Interaction interaction
                = manager.allowsInteraction() ? Interaction::Allowed : Interaction::NotAllowed;
            if (program.sessionEnding(interaction) == SessionEndAnswer::Cancel)
                manager.cancel();
            manager.release();
        });
    program.startUp();
    if (endRequested()) // a signal while the start-up notice was open: app.exec() would forget it
        return EXIT_SUCCESS;
    if (line.fullScreen)
        program.window().setScreenMode(ScreenMode::FullScreen, screen);
    program.window().show();
    return app.exec();
}
