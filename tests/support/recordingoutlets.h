#pragma once

#include "clock/examclock.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

using Lengths = std::array<int, 8>;
Q_DECLARE_METATYPE(Lengths)

// Fakes for the clock's outlets. All write to one log, so a test can check the order
// of timer, cue and display calls across outlets.

struct FakeTickSource : TickSource
{
    explicit FakeTickSource(QStringList &log)
        : m_log(log)
    { }
    void start() override
    {
        m_running = true;
        m_log << QStringLiteral("timer start");
    }
    void stop() override
    {
        m_running = false;
        m_log << QStringLiteral("timer stop");
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_log << QStringLiteral("interval %1").arg(ms);
    }
    bool isRunning() const override { return m_running; }

    QStringList &m_log;
    bool m_running = false;
    int m_interval = 0;
};

struct RecordingCues : CueOutlet
{
    explicit RecordingCues(QStringList &log)
        : m_log(log)
    { }
    void InitCuePlayers() override { m_log << QStringLiteral("InitCuePlayers"); }
    void SilenceCuePlayers() override { m_log << QStringLiteral("SilenceCuePlayers"); }
    void SetPhaseCueFile(const QString &fileName) override
    {
        m_phaseFile = fileName;
        m_log << QStringLiteral("SetPhaseCueFile ") + fileName;
    }
    void PlayWarningCue() override { m_log << QStringLiteral("PlayWarningCue"); }
    void PlayPhaseCue() override { m_log << QStringLiteral("PlayPhaseCue ") + m_phaseFile; }
    // Counted, not logged: the sequences under test are the players' and the display's.
    void PrepareForCue() override { ++m_prepared; }

    QStringList &m_log;
    QString m_phaseFile;
    int m_prepared = 0;
};

struct RecordingDisplay : ClockDisplay
{
    explicit RecordingDisplay(QStringList &log)
        : m_log(log)
    { }
    void setMinutesText(const QString &t) override
    {
        m_log << QStringLiteral("Label3 ") + (m_minutes = t);
    }
    void setSecondsText(const QString &t) override
    {
        m_log << QStringLiteral("Label5 ") + (m_seconds = t);
    }
    void setStatusText(const QString &t) override
    {
        m_log << QStringLiteral("Label1 ") + (m_status = t);
    }
    void setBarColour(std::uint32_t c) override
    {
        m_colour = c;
        m_log << QStringLiteral("Label2 %1").arg(c, 8, 16, QLatin1Char('0'));
    }
    void setIntervalText(const QString &t) override
    {
        m_log << QStringLiteral("Label15 ") + (m_interval = t);
    }
    void setOperatingState(OperatingState s) override
    {
        m_state = s;
        static const char *names[] = { "Idle", "Running", "Paused" };
        m_log << QStringLiteral("state ") + QLatin1String(names[static_cast<int>(s)]);
    }

    QStringList &m_log;
    QString m_minutes, m_seconds, m_status, m_interval;
    std::uint32_t m_colour = 0;
    OperatingState m_state = OperatingState::Idle;
};

// A clock wired to the fakes, idle as after start-up.
struct ClockRig
{
    QStringList log;
    FakeTickSource ticks { log };
    RecordingCues cues { log };
    RecordingDisplay display { log };
    ExamClock clock { ticks, cues, display };

    static std::array<QString, 8> boxes(Lengths v)
    {
        std::array<QString, 8> out;
        for (std::size_t i = 0; i < 8; ++i)
            out[i] = QString::number(v[i]);
        return out;
    }
    void startWith(Lengths lengths)
    {
        clock.start(boxes(lengths));
        log.clear();
    }
    // Ticks n times; returns the log lines those ticks wrote.
    QStringList tick(int n = 1)
    {
        log.clear();
        for (int i = 0; i < n; ++i)
            clock.tick();
        return log;
    }
    QString shown() const { return display.m_minutes + QLatin1Char(':') + display.m_seconds; }
};
