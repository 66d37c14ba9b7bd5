#include "restartplan.h"

#include "clock/examclock.h"
#include "clock/phases.h"
#include "examlog/sessionevent.h"

#include <QDateTime>

namespace zentrel {

Moment momentNow()
{
    return { QDateTime::currentMSecsSinceEpoch(), bootTimeMs(), currentBootId() };
}

PlanRead planRestart(const KeptState &kept, const Moment &now)
{
    const bool sameBoot = !kept.bootId.isEmpty() && kept.bootId == now.bootId;
    const qint64 elapsed = sameBoot ? now.bootMs - kept.bootMs : now.utcMs - kept.utcMs;
    if (sameBoot && elapsed < 0)
        return { std::nullopt, QStringLiteral("kept later than now in this boot") };
    if (elapsed >= MaxOutageMs)
        return { std::nullopt, QStringLiteral("older than 12 hours") };
    if (elapsed <= -MaxOutageMs)
        return { std::nullopt, QStringLiteral("from the future") };
    RestartPlan plan { kept, elapsed >= 0, kept.clock, 0, {} };
    if (!plan.canContinue || kept.clock.Timer != TimerRun::Running)
        return { plan, {} };
    ExamClock clock(TickDrive::Manual);
    qint64 tick = 0;
    QObject::connect(&clock, &ExamClock::changed, &clock, [&](const ClockChange &change) {
        for (const Phase phase : change.entered) {
            ++plan.passedCount;
            plan.passed.append({ phase, kept.utcMs + tick * kept.clock.TickIntervalMs });
            if (plan.passed.size() > MaxPassedRows)
                plan.passed.removeFirst();
        }
    });
    clock.adopt(kept.clock);
    plan.passedCount = 0;
    plan.passed.clear();
    const qint64 ticks = elapsed / kept.clock.TickIntervalMs;
    for (tick = 1; tick <= ticks && clock.state().Timer == TimerRun::Running; ++tick)
        clock.tick();
    plan.resumed = clock.state();
    return { plan, {} };
}

QString stateText(const ClockState &state)
{
    QString phase = QString::fromUtf8(phaseRow(state.Phase).statusText);
    if (phase.endsWith(u"です"))
        phase.chop(2);
    return phase + u' ' + countText(state.RemainingMinutes, state.RemainingSeconds)
        + (state.Paused == Pause::On ? QStringLiteral("（一時停止中）") : QString());
}

QString restartQuestion(const RestartPlan &plan)
{
    const QString time = QDateTime::fromMSecsSinceEpoch(plan.kept.utcMs).toString(u"HH:mm:ss");
    QString text = QStringLiteral("前回のタイマーは %1 の時点（%2）で終了しました。")
                       .arg(stateText(plan.kept.clock), time);
    if (plan.canContinue)
        text += QStringLiteral("続きから再開すると %1 です。").arg(stateText(plan.resumed));
    else
        text += QStringLiteral("時計が戻っているため、続きからは再開できません。");
    return text;
}

QString answerText(RestartAnswer answer)
{
    switch (answer) {
    case RestartAnswer::Continue:
        return QStringLiteral("続きから再開");
    case RestartAnswer::FromStop:
        return QStringLiteral("停止時点から（一時停止）");
    case RestartAnswer::Fresh:
        break;
    }
    return QStringLiteral("最初から");
}

QString outageDetail(const RestartPlan &plan, RestartAnswer answer, const ClockState &resumed)
{
    const QString stopped = QDateTime::fromMSecsSinceEpoch(plan.kept.utcMs).toString(Qt::ISODate);
    return QStringLiteral("停止 %1 (%2) / 再開 %3 / 答え %4")
        .arg(stateText(plan.kept.clock), stopped,
             resumed.Phase == Phase::Reset ? QStringLiteral("リセット") : stateText(resumed),
             answerText(answer));
}

QString passedDetail(int passedCount)
{
    if (passedCount <= MaxPassedRows)
        return QStringLiteral("停止中に経過");
    return QStringLiteral("停止中に経過（ほか %1 回のフェーズ開始を省略）")
        .arg(passedCount - MaxPassedRows);
}

} // namespace zentrel
