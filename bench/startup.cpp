// Start-up time: from the launch (nanoseconds since the epoch, given by the caller just
// before it starts this process) to the first paint of the window, through the program's own
// start-up. Prints milliseconds.
#include "app/program.h"
#include "sound/soundsystem.h"
#include "window/uifont.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace zentrel;

namespace {
struct AnswerOk : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
};

struct FirstPaint : QObject
{
    qint64 launchedNs = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && launchedNs > 0) {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            const qint64 ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
            std::printf("%.1f\n", double(ns - launchedNs) / 1e6);
            std::fflush(stdout);
            // quit() would ask the window to close, and the window asks the operator first.
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FirstPaint probe;
    probe.launchedNs = argc > 1 ? QByteArray(argv[1]).toLongLong() : 0;
    applyUiFont();
    SoundSystem sound;
    AnswerOk messages;
    Program program({ TickDrive::Timer, messages, QDir::currentPath() });
    QObject::connect(&program.clock(), &ExamClock::changed, &sound.player(), &CuePlayer::follow);
    program.window().installEventFilter(&probe);
    program.startUp();
    program.window().show();
    return app.exec();
}
