// Start-up time: from the launch (nanoseconds since the epoch, given by the caller just
// before it starts this process) to the first paint of the window, through the same
// start-up as the program. Prints milliseconds.
#include "form1.h"
#include "sound/soundsystem.h"
#include "timertick.h"
#include "uifont.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <chrono>
#include <cstdio>

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
            launchedNs = 0;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
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
    TimerTickSource timer1;
    SoundSystem sound;
    AnswerOk messages;
    Form1 form({ timer1, sound.cues(), messages });
    QObject::connect(&timer1.timer(), &QTimer::timeout, &form, &Form1::onTimer1);
    form.installEventFilter(&probe);
    form.load();
    form.show();
    return app.exec();
}
