#include "app/program.h"
#include "clock/timerticks.h"
#include "sound/soundsystem.h"
#include "window/uifont.h"

#include <QApplication>
#include <QDir>

using namespace zentrel;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    applyUiFont();
    TimerTicks ticks;
    SoundSystem sound;
    MessageBoxPresenter messages;
    Program program({ ticks, sound.cues(), messages, QDir::currentPath() });
    QObject::connect(&ticks.timer(), &QTimer::timeout, &program.clock(), &ExamClock::tick);
    program.startUp();
    program.window().show();
    return app.exec();
}
