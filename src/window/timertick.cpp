#include "timertick.h"

#include <algorithm>

TimerTickSource::TimerTickSource()
{
    m_timer.setTimerType(Qt::PreciseTimer);
}

void TimerTickSource::setInterval(int milliseconds)
{
    // A zero interval would fire without pause and starve the window.
    m_timer.setInterval(std::max(1, milliseconds));
}
