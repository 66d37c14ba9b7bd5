#pragma once

#include "clock/cues.h"
#include "clock/examclock.h"

#include <QStringList>

// Writes what each of the clock's changes tells the world, one line a change: the phases it
// entered, the count shown, the cue that sounds, and notice of one coming.
struct Recorder
{
    QStringList log;

    explicit Recorder(zentrel::ExamClock &clock)
    {
        QObject::connect(&clock, &zentrel::ExamClock::changed, &clock,
                         [this](const zentrel::ClockChange &change) { log << describe(change); });
    }
    static QString describe(const zentrel::ClockChange &c)
    {
        QStringList parts;
        for (const zentrel::Phase phase : c.entered)
            parts << QStringLiteral("enter %1").arg(int(phase));
        parts << QStringLiteral("count %1:%2")
                     .arg(c.state.RemainingMinutes)
                     .arg(c.state.RemainingSeconds, 2, 10, QLatin1Char('0'));
        if (c.cue != zentrel::Cue::None)
            parts << QStringLiteral("play ") + QLatin1String(cueFile(c.cue, c.state.Phase));
        if (c.notice == zentrel::CueNotice::Soon)
            parts << QStringLiteral("notice");
        return parts.join(QStringLiteral(", "));
    }
    // The log since the last call.
    QStringList take() { return std::exchange(log, {}); }
};

// The eight length boxes from "1,0,1,0,5,0,1,0".
inline zentrel::LengthTexts boxesOf(const QString &text)
{
    zentrel::LengthTexts boxes;
    const QStringList parts = text.split(u',');
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = parts.value(qsizetype(i));
    return boxes;
}

// A clock ticked by hand, idle after start-up with the default settings.
struct ClockRig
{
    zentrel::ExamClock clock { zentrel::TickDrive::Manual };
    Recorder out { clock };
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
        out.take();
    }
    // Ticks once; what the tick did.
    QString tick()
    {
        out.take();
        clock.tick();
        return out.take().join(QStringLiteral("; "));
    }
    bool running() const { return clock.state().Timer == zentrel::TimerRun::Running; }
};
