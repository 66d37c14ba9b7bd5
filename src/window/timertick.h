#pragma once

#include "clock/outlets.h"

#include <QTimer>

// Timer1: a precise QTimer, so each second is not shifted by a coarse timer's slack.
class TimerTickSource : public TickSource
{
public:
    TimerTickSource();

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    void setInterval(int milliseconds) override;
    bool isRunning() const override { return m_timer.isActive(); }

    QTimer &timer() { return m_timer; }

private:
    QTimer m_timer;
};
