#pragma once

#include "roomfollower.h"

#include <QString>

namespace zentrel {

// Why a room lost its leader, for the session log.
inline QString cutOffText(CutOffReason reason)
{
    switch (reason) {
    case CutOffReason::BrokerLost:
        return QStringLiteral("ブローカーとの接続が切れました");
    case CutOffReason::LeaderGone:
        return QStringLiteral("リーダーが終了しました");
    case CutOffReason::LeaderSilent:
        return QStringLiteral("リーダーから届きません");
    case CutOffReason::ClocksRefused:
        return QStringLiteral("リーダーの時計を鍵または版の確認で受け付けられません");
    }
    return {};
}

// Why a room refuses the clocks it hears.
inline QString refusalText(MessageFault fault)
{
    switch (fault) {
    case MessageFault::Unsigned:
        return QStringLiteral("鍵のないリーダーの時計を受け付けていません"
                              "（リーダーにも同じ回路の鍵を設定してください）");
    case MessageFault::Forged:
        return QStringLiteral("鍵の合わない時計を受け付けていません"
                              "（リーダーと同じ回路の鍵か確かめてください）");
    case MessageFault::Stale:
        return QStringLiteral("時刻が 10 秒以上ずれた時計を受け付けていません"
                              "（この端末とリーダーの時計を合わせてください）");
    case MessageFault::WrongVersion:
        return QStringLiteral("別の版のリーダーの時計を受け付けていません"
                              "（リーダーと同じ版のタイマーを使ってください）");
    default:
        return {};
    }
}

} // namespace zentrel
