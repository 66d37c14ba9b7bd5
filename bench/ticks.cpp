// Tick accuracy and tick-handler cost through the real window and its precise QTimer:
// timestamps are taken where the seconds read-out is written.
//   ticks [ticks-at-100ms] [ticks-at-999ms]      (default 600 and 60)

#include "form1.h"
#include "sound/soundsystem.h"
#include "timertick.h"
#include "uifont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdio>

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

void run(Form1 &form, TimerTickSource &timer, int intervalMs, int count,
         std::vector<double> &handlerUs, std::vector<double> &cueHandlerUs)
{
    form.clock().state().TickIntervalMs = std::int16_t(intervalMs);
    form.clock().ApplyTickInterval();
    QElapsedTimer clock;
    std::vector<qint64> shown;
    QEventLoop loop;
    auto connection = QObject::connect(&form, &Form1::secondsShown, &form, [&] {
        shown.push_back(clock.nsecsElapsed());
        if (int(shown.size()) == count)
            loop.quit();
    });
    // Handler cost: the whole tick, cue operations included where the count hits a mark.
    auto timing = QObject::connect(&timer.timer(), &QTimer::timeout, &form, [&] {
        QElapsedTimer t;
        t.start();
        form.onTimer1();
        const double us = double(t.nsecsElapsed()) / 1000.0;
        const auto &s = form.clock().state();
        const bool cue
            = s.RemainingMinutes == 0 && (s.RemainingSeconds == 30 || s.RemainingSeconds == 10);
        (cue ? cueHandlerUs : handlerUs).push_back(us);
    });
    clock.start();
    form.button(1)->click(); // START: the first tick comes one period later
    loop.exec();
    QObject::disconnect(connection);
    QObject::disconnect(timing);
    form.clock().pause();
    form.clock().reset();

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

    TimerTickSource timer1;
    SoundSystem sound;
    AnswerOk messages;
    Form1 form({ timer1, sound.cues(), messages });
    form.load();
    form.show();
    for (int n = 1; n <= 8; ++n)
        form.box(n)->setText(QStringLiteral("0"));
    form.box(2)->setText(QStringLiteral("35")); // Moving 0:35, the rest 0:00: a cue every few ticks

    QElapsedTimer connecting; // the stream reports from its own thread
    connecting.start();
    while (!sound.output().soundReachable() && connecting.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::vector<double> handlerUs, cueHandlerUs;
    std::printf("tick accuracy (real window, precise QTimer; %s sound)\n",
                sound.output().soundReachable() ? "with" : "without");
    run(form, timer1, 100, fast, handlerUs, cueHandlerUs);
    run(form, timer1, 999, slow, handlerUs, cueHandlerUs);
    std::printf(
        "tick handler: median %.0f us, worst %.0f us without a cue; median %.0f us, worst %.0f us "
        "with a cue cycle (%zu cue ticks)\n",
        percentile(handlerUs, 0.5), percentile(handlerUs, 1.0), percentile(cueHandlerUs, 0.5),
        percentile(cueHandlerUs, 1.0), cueHandlerUs.size());
    return 0;
}
