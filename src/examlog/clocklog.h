#pragma once

#include "clock/clockchange.h"
#include "sessionlog.h"

#include <functional>

namespace zentrel {

class ExamClock;

// Whether a cue that is due is heard: where its file comes from, and why it is not heard
// (empty when it is).
struct CueHearing
{
    CueSource source = CueSource::BuiltIn;
    QString whyNotHeard;
};

// Writes what the room saw and heard of the clock into the session log: each command with
// the count shown when it was given, then the phases it entered and the cue it sounded.
// Other rows are written through record(), stamped with what the window shows.
class ClockLog : public QObject
{
    Q_OBJECT
public:
    using CueCheck = std::function<CueHearing(const QString &file)>;

    ClockLog(SessionLog &log, const ExamClock &clock, CueCheck cueCheck);

    void record(SessionEvent event, const QString &detail = {});

private:
    void onChanged(const ClockChange &change);

    SessionLog &m_log;
    CueCheck m_cueCheck;
    ClockState m_before;
    ShownCount m_shown;
};

} // namespace zentrel
