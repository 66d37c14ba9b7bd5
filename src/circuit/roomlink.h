#pragma once

#include "brokeraddress.h"

#include <QString>

namespace zentrel {

// Whether this timer stands alone, leads a circuit of rooms or follows its leader.
enum class RoleKind { Alone, Lead, Follow };

struct RoomLink
{
    RoleKind role = RoleKind::Alone;
    BrokerLogin login; // unused when alone
    QString room; // a follower's name in the leader's tooltip and log
};

} // namespace zentrel
