#pragma once

#include "keptstate.h"

#include <QList>

namespace zentrel {

enum class RestartAnswer { Continue, FromStop, Fresh };

// Where the clock would be now: the kept state is asked about only while it is younger.
inline constexpr qint64 MaxOutageMs = 12 * 3600 * 1000;
// More phases passed during an outage than this are summarised in one log row.
inline constexpr int MaxPassedRows = 4;

struct Moment
{
    qint64 utcMs = 0;
    qint64 bootMs = 0;
    QByteArray bootId;
};
Moment momentNow();

// A phase the clock entered while the program was not running, and when it would have.
struct PassedPhase
{
    Phase phase = Phase::Reset;
    qint64 utcMs = 0;
};

struct RestartPlan
{
    KeptState kept;
    bool canContinue = true; // false: the wall clock is behind the moment kept, after a reboot
    ClockState resumed; // 「続きから再開」: advanced by the whole ticks elapsed
    int passedCount = 0;
    QList<PassedPhase> passed; // the last MaxPassedRows of them
};

struct PlanRead
{
    std::optional<RestartPlan> plan;
    QString fault; // why the file is ignored: too old, or from the future
};

// Elapsed by the boot-time clock when the machine has not rebooted since, else by the wall
// clock. The counting rules are the clock's own: the state is ticked by an ExamClock.
PlanRead planRestart(const KeptState &kept, const Moment &now);

// 前回のタイマーは 試験中 4:27 の時点（14:02:13）で終了しました。続きから再開すると 試験中 4:10
// です。
QString restartQuestion(const RestartPlan &plan);
QString answerText(RestartAnswer answer);
// The outage's log row: stopped at, resumed at, the answer.
QString outageDetail(const RestartPlan &plan, RestartAnswer answer, const ClockState &resumed);
QString passedDetail(int passedCount); // 停止中に経過, and how many when summarised
// "試験中 4:27", with 「（一時停止中）」 when paused.
QString stateText(const ClockState &state);

} // namespace zentrel
