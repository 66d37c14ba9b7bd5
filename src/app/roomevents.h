#pragma once

#include "circuit/roomrole.h"
#include "examlog/sessionevent.h"

namespace zentrel {

// The session log's row for what this room's part in a circuit reports.
SessionEvent sessionEventOf(RoomEvent event);

} // namespace zentrel
