#include "roomevents.h"

namespace zentrel {

SessionEvent sessionEventOf(RoomEvent event)
{
    switch (event) {
    case RoomEvent::FollowerJoined:
        return SessionEvent::FollowerJoined;
    case RoomEvent::FollowerLeft:
        return SessionEvent::FollowerLeft;
    case RoomEvent::SyncLost:
        return SessionEvent::SyncLost;
    case RoomEvent::SyncRegained:
        return SessionEvent::SyncRegained;
    case RoomEvent::MessagesRejected:
        return SessionEvent::MessagesRejected;
    case RoomEvent::OtherLeader:
        return SessionEvent::OtherLeader;
    case RoomEvent::ClocksRefused:
        return SessionEvent::ClocksRefused;
    case RoomEvent::RoomOutOfStep:
        return SessionEvent::RoomOutOfStep;
    case RoomEvent::RoomsOverLimit:
        return SessionEvent::RoomsOverLimit;
    }
    return SessionEvent::SyncLost;
}

} // namespace zentrel
