#pragma once

#include "clock/examclock.h"
#include "clock/phases.h"

#include <QStringList>

// One fake for every outlet of the clock, writing to one log so that a test sees the
// order of timer, cue and display calls across outlets.
struct Recorder : zentrel::TickSource, zentrel::CueOutlet, zentrel::ClockDisplay
{
    QStringList log;
    bool running = false;
    int interval = 0;
    QString phaseFile, shown; // the phase cue player's file; the count as "m:ss"

    void start() override { running = true, log << QStringLiteral("timer start"); }
    void stop() override { running = false, log << QStringLiteral("timer stop"); }
    void setInterval(int ms) override
    {
        interval = ms, log << QStringLiteral("interval %1").arg(ms);
    }
    bool isRunning() const override { return running; }

    void initCuePlayers() override { log << QStringLiteral("init players"); }
    void silenceCuePlayers() override { log << QStringLiteral("silence"); }
    void setPhaseCueFile(const QString &f) override
    {
        phaseFile = f, log << QStringLiteral("file ") + f;
    }
    void playWarningCue() override { log << QStringLiteral("play sec30.wav"); }
    void playPhaseCue() override { log << QStringLiteral("play ") + phaseFile; }
    void prepareForCue() override { log << QStringLiteral("notice"); }

    void showCount(int m, int s) override
    {
        shown = QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
        log << QStringLiteral("count ") + shown;
    }
    void showPhaseStatus(const zentrel::ClockState &s) override
    {
        log << QStringLiteral("status %1%2").arg(s.Phase).arg(s.Paused ? " paused" : "");
    }
    void showTickInterval(int ms) override { log << QStringLiteral("shows %1 ms").arg(ms); }
    void showOperatingState(zentrel::OperatingState s) override
    {
        static const char *names[] = { "idle", "running", "paused" };
        log << QLatin1String(names[int(s)]);
    }
    // The log since the last call.
    QStringList take() { return std::exchange(log, {}); }
};

// The eight length boxes from "1,0,1,0,5,0,1,0".
inline std::array<QString, 8> boxesOf(const QString &text)
{
    std::array<QString, 8> boxes;
    const QStringList parts = text.split(u',');
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = parts.value(qsizetype(i));
    return boxes;
}

// A clock on the recorder, idle after start-up with the default settings.
struct ClockRig
{
    Recorder out;
    zentrel::ExamClock clock { out, out, out };
    ClockRig()
    {
        clock.startUp({});
        out.take();
    }
    // START with these boxes; the log is cleared.
    void startWith(const QString &boxes)
    {
        clock.start(boxesOf(boxes));
        out.take();
    }
    // Moves the running phase's count to m:s.
    void at(int m, int s)
    {
        zentrel::ClockState state = clock.state();
        state.RemainingMinutes = std::int16_t(m);
        state.RemainingSeconds = std::int16_t(s);
        clock.adopt(state);
    }
    // Ticks once; what the tick did, joined by ", ".
    QString tick()
    {
        out.take();
        clock.tick();
        return out.take().join(QStringLiteral(", "));
    }
};
