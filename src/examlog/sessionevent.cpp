#include "examlog/sessionevent.h"

#include <algorithm>
#include <iterator>

namespace zentrel {

namespace {
// The events whose detail comes from outside the program.
constexpr SessionEvent OutsideDetails[] = {
    SessionEvent::FollowerJoined, // the room's name
    SessionEvent::FollowerLeft, // the room's name
    SessionEvent::RoomOutOfStep, // begins with the room's name
};
} // namespace

bool detailFromOutside(SessionEvent event)
{
    return std::find(std::begin(OutsideDetails), std::end(OutsideDetails), event)
        != std::end(OutsideDetails);
}

QString eventName(SessionEvent event)
{
    switch (event) {
    case SessionEvent::ProgramStart:
        return QStringLiteral("起動");
    case SessionEvent::Start:
        return QStringLiteral("START");
    case SessionEvent::PhaseEntered:
        return QStringLiteral("フェーズ開始");
    case SessionEvent::Cue:
        return QStringLiteral("音声");
    case SessionEvent::Pause:
        return QStringLiteral("一時停止");
    case SessionEvent::Resume:
        return QStringLiteral("再開");
    case SessionEvent::Reset:
        return QStringLiteral("RESET");
    case SessionEvent::FiveSeconds:
        return QStringLiteral("5sec >>");
    case SessionEvent::SkipToNext:
        return QStringLiteral("Skip to NEXT");
    case SessionEvent::Trim:
        return QStringLiteral("間隔調整");
    case SessionEvent::ExitAsked:
        return QStringLiteral("終了確認");
    case SessionEvent::ExitAnswered:
        return QStringLiteral("終了確認の答え");
    case SessionEvent::Save:
        return QStringLiteral("設定保存");
    case SessionEvent::ProgramEnd:
        return QStringLiteral("終了");
    case SessionEvent::FollowerJoined:
        return QStringLiteral("表示端末の参加");
    case SessionEvent::FollowerLeft:
        return QStringLiteral("表示端末の離脱");
    case SessionEvent::SyncLost:
        return QStringLiteral("同期切れ");
    case SessionEvent::SyncRegained:
        return QStringLiteral("同期回復");
    case SessionEvent::SoundLost:
        return QStringLiteral("音声出力の喪失");
    case SessionEvent::SoundRegained:
        return QStringLiteral("音声出力の回復");
    case SessionEvent::MessagesRejected:
        return QStringLiteral("受信拒否");
    case SessionEvent::OtherLeader:
        return QStringLiteral("別のリーダー");
    case SessionEvent::ClocksRefused:
        return QStringLiteral("鍵による受信拒否");
    case SessionEvent::RoomOutOfStep:
        return QStringLiteral("同期していない部屋");
    case SessionEvent::RoomsOverLimit:
        return QStringLiteral("部屋数の上限");
    case SessionEvent::SyncStarted:
        return QStringLiteral("同期開始");
    case SessionEvent::CircuitRefused:
        return QStringLiteral("回路に参加できません");
    case SessionEvent::Outage:
        return QStringLiteral("異常終了からの再開");
    }
    return {};
}

QString countText(int minutes, int seconds)
{
    return QStringLiteral("%1:%2").arg(minutes).arg(seconds, 2, 10, QLatin1Char('0'));
}

QString startDetail(const PhaseLengths &lengths, int tickIntervalMs)
{
    QString text;
    for (std::size_t slot = 0; slot < lengths.size(); slot += FieldsPerPhase)
        text += QString::fromUtf8(phaseOfSlot(slot).shortName) + QLatin1Char(' ')
            + countText(lengths[slot], lengths[slot + 1]) + QLatin1Char(' ');
    return text + QStringLiteral("間隔 %1 ms").arg(tickIntervalMs);
}

QString cueDetail(const QString &file, CueSource source, const QString &whyNotSounded)
{
    QString text = file
        + (source == CueSource::BuiltIn ? QStringLiteral(" (内蔵)")
                                        : QStringLiteral(" (フォルダー)"));
    if (!whyNotSounded.isEmpty())
        text += QStringLiteral(" 鳴らせません: ") + whyNotSounded;
    return text;
}

QString trimDetail(int oldIntervalMs, int newIntervalMs)
{
    return QStringLiteral("%1 ms → %2 ms").arg(oldIntervalMs).arg(newIntervalMs);
}

QString saveDetail(const QString &path, const QString &failure)
{
    if (failure.isEmpty())
        return QStringLiteral("保存しました: ") + path;
    return QStringLiteral("保存できません: ") + failure + QStringLiteral(" (") + path
        + QLatin1Char(')');
}

} // namespace zentrel
