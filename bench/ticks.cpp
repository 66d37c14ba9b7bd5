// Tick accuracy and tick-handler cost through the real window and its precise QTimer:
// timestamps are taken where the seconds read-out is written.
//   ticks [ticks-at-100ms] [ticks-at-999ms]      (default 600 and 60)

#include "app/program.h"
#include "examlog/sessionlog.h"
#include "sound/soundsystem.h"
#include "window/uifont.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace zentrel;

namespace {
struct AnswerOk : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

void run(Program &program, QTimer &timer, int intervalMs, int count,
         std::vector<double> &handlerUs, std::vector<double> &cueHandlerUs)
{
    Form1 &form = program.window();
    ExamClock &examClock = program.clock();
    examClock.startUp({ std::int16_t(intervalMs), examClock.state().PhaseDurations });
    QElapsedTimer clock;
    std::vector<qint64> shown;
    QEventLoop loop;
    auto connection = QObject::connect(&form, &Form1::secondsShown, &form, [&] {
        shown.push_back(clock.nsecsElapsed());
        if (int(shown.size()) == count)
            loop.quit();
    });
    // Handler cost: the whole tick, cue operations included where the count hits a mark.
    auto timing = QObject::connect(&timer, &QTimer::timeout, &form, [&] {
        QElapsedTimer t;
        t.start();
        examClock.tick();
        const double us = double(t.nsecsElapsed()) / 1000.0;
        const auto &s = examClock.state();
        const bool cue
            = s.RemainingMinutes == 0 && (s.RemainingSeconds == 30 || s.RemainingSeconds == 10);
        (cue ? cueHandlerUs : handlerUs).push_back(us);
    });
    clock.start();
    static_cast<QPushButton *>(form.control(Control::Start))
        ->click(); // START: the first tick comes one period later
    loop.exec();
    QObject::disconnect(connection);
    QObject::disconnect(timing);
    examClock.pause();
    examClock.reset();

    std::vector<double> errors;
    for (std::size_t i = 1; i < shown.size(); ++i)
        errors.push_back(double(shown[i] - shown[i - 1]) / 1e6 - intervalMs);
    std::vector<double> absErrors;
    double sum = 0;
    for (double e : errors) {
        sum += e;
        absErrors.push_back(std::abs(e));
    }
    const double drift = double(shown.back()) / 1e6 - double(count) * intervalMs;
    std::printf(
        "  %4d ticks at %4d ms: mean period error %+.3f ms, p99 |error| %.3f ms, worst %.3f ms, "
        "drift of the last tick %+.2f ms\n",
        count, intervalMs, sum / double(errors.size()), percentile(absErrors, 0.99),
        *std::max_element(absErrors.begin(), absErrors.end()), drift);
}
// Into full screen and back, each way until the window has painted at its new size.
void screenModeSwitch(Form1 &form)
{
    std::vector<double> into, back;
    for (int i = 0; i < 10; ++i) {
        for (ScreenMode mode : { ScreenMode::FullScreen, ScreenMode::Window }) {
            QElapsedTimer t;
            t.start();
            form.setScreenMode(mode);
            QCoreApplication::processEvents();
            form.repaint();
            (mode == ScreenMode::FullScreen ? into : back)
                .push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    std::printf("full screen switch (%dx%d): into median %.1f ms, worst %.1f ms; back median %.1f "
                "ms, worst %.1f ms\n",
                form.screen()->size().width(), form.screen()->size().height(),
                percentile(into, 0.5), percentile(into, 1.0), percentile(back, 0.5),
                percentile(back, 1.0));
}

// What a row costs the caller: the tick's path queues it and returns.
void logRecordCost()
{
    QTemporaryDir dir;
    SessionLog log(dir.path());
    std::vector<double> us;
    for (int i = 0; i < 5000; ++i) {
        QElapsedTimer t;
        t.start();
        log.record(SessionEvent::Cue, { QStringLiteral("移動中です"), 0, 10 },
                   QStringLiteral("yomu.wav (内蔵)"));
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    log.waitUntilWritten();
    std::printf("session log record() on the tick's path (5000 rows): median %.2f us, p99 %.2f us, "
                "worst %.1f us\n",
                percentile(us, 0.5), percentile(us, 0.99), percentile(us, 1.0));
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyUiFont();
    const QStringList args = app.arguments().mid(1);
    const int fast = args.size() > 0 ? args[0].toInt() : 600;
    const int slow = args.size() > 1 ? args[1].toInt() : 60;

    SoundSystem sound;
    AnswerOk messages;
    QTemporaryDir logDir;
    // The clock's tick, driven by a precise timer of the bench's own so that each call can
    // be timed: the same wiring as the clock's own timer.
    Program program({ TickDrive::Manual, messages, QDir::currentPath(), logDir.path(),
                      QDBusConnection(QString()) });
    QTimer timer1;
    timer1.setTimerType(Qt::PreciseTimer);
    QObject::connect(&program.clock(), &ExamClock::changed, &program.clock(), [&](const ClockChange &c) {
        // START and pause start and stop the timer as the clock's own would be.
        if (c.state.Timer == TimerRun::Running && !timer1.isActive())
            timer1.start(c.state.TickIntervalMs);
        else if (c.state.Timer == TimerRun::Stopped)
            timer1.stop();
    });
    QObject::connect(&program.clock(), &ExamClock::changed, &sound.player(), &CuePlayer::follow);
    program.startUp();
    program.window().show();
    // Moving 0:35, the rest 0:00: a cue every few ticks.
    program.window().showLengths({ 0, 35, 0, 0, 0, 0, 0, 0 });

    QElapsedTimer connecting; // the stream reports from its own thread
    connecting.start();
    while (!sound.output().soundReachable() && connecting.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::vector<double> handlerUs, cueHandlerUs;
    std::printf("tick accuracy (real window, precise QTimer; %s sound)\n",
                sound.output().soundReachable() ? "with" : "without");
    run(program, timer1, 100, fast, handlerUs, cueHandlerUs);
    run(program, timer1, 999, slow, handlerUs, cueHandlerUs);
    std::printf(
        "tick handler: median %.0f us, worst %.0f us without a cue; median %.0f us, worst %.0f us "
        "with a cue cycle (%zu cue ticks)\n",
        percentile(handlerUs, 0.5), percentile(handlerUs, 1.0), percentile(cueHandlerUs, 0.5),
        percentile(cueHandlerUs, 1.0), cueHandlerUs.size());
    screenModeSwitch(program.window());
    logRecordCost();
    return 0;
}
