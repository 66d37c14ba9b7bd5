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
    }
    return {};
}

} // namespace zentrel
