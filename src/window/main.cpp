#include "form1.h"
#include "sound/soundsystem.h"
#include "timertick.h"
#include "uifont.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    applyUiFont();

    TimerTickSource timer1;
    SoundSystem sound;
    MessageBoxPresenter messages;
    Form1 form({ timer1, sound.cues(), messages });
    QObject::connect(&timer1.timer(), &QTimer::timeout, &form, &Form1::onTimer1);
    form.load();
    form.show();
    return app.exec();
}
