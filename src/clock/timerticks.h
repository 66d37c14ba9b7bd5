#pragma once

#include "outlets.h"

#include <QTimer>

namespace zentrel {

// The clock's timer: precise, so each second is not shifted by a coarse timer's slack.
class TimerTicks : public TickSource
{
public:
    TimerTicks() { m_timer.setTimerType(Qt::PreciseTimer); }

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    // A zero interval would fire without pause and starve the window.
    void setInterval(int milliseconds) override { m_timer.setInterval(std::max(1, milliseconds)); }
    bool isRunning() const override { return m_timer.isActive(); }

    QTimer &timer() { return m_timer; }

private:
    QTimer m_timer;
};

} // namespace zentrel
