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
    int prepared = 0; // counted, not logged
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
    void prepareForCue() override { ++prepared; }

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
    // START with these lengths; the log is cleared.
    void startWith(std::array<int, 8> lengths)
    {
        std::array<QString, 8> boxes;
        for (std::size_t i = 0; i < 8; ++i)
            boxes[i] = QString::number(lengths[i]);
        clock.start(boxes);
        out.take();
    }
    // Ticks n times; what the last tick did, joined by ", ".
    QString tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            out.take();
            clock.tick();
        }
        return out.take().join(QStringLiteral(", "));
    }
};
