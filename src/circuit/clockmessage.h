#pragma once

#include "clock/clockstate.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace zentrel {

// The payloads on a circuit's topics (see roomtopics.h), JSON of format version 1:
//   clock:   {"v":1,"leader":ID,"seq":N,"phase":P,"paused":0|1,"minutes":M,"seconds":S,
//             "lengths":[LengthBoxCount numbers],"interval":MS,"running":true|false}
//   leader/ID: {"v":1,"leader":ID}          empty: that leader has gone
//   rooms/X: {"v":1,"room":NAME[,"link":"following"|"cutoff"|"rejecting"][,"why":WHY]}
//                                            empty: the room has gone
// With a circuit key every payload also carries "t" and "sig" (see messageseal.h).
// Everything read is untrusted: a payload is accepted whole or rejected with a fault.
// The version is the phase table's (phases.h): a clock carries phase numbers and one length
// per box, so a room with another table reads WrongVersion instead of half a clock.
inline constexpr int MessageFormatVersion = PhaseTableVersion;
inline constexpr qsizetype MaxMessageBytes = 1024;

enum class MessageFault {
    None,
    Oversized,
    Malformed,
    WrongVersion,
    OutOfRange,
    ForeignTopic,
    Unsigned, // a circuit key is set and the message carries no signature
    Forged, // the signature does not verify with this room's key
    Stale, // signed more than MaxClockSkewMs away from this room's clock
    Implausible, // not what this room awaits: a sequence too far ahead, an old probe
};

template<typename T>
struct Decoded
{
    T value {};
    MessageFault fault = MessageFault::None;
    bool ok() const { return fault == MessageFault::None; }
};

struct ClockMessage
{
    ClockState clock;
    std::uint32_t sequence = 0; // counts up with each message of one leader
    QByteArray leaderId;

    friend bool operator==(const ClockMessage &, const ClockMessage &) = default;
};

QByteArray encodeClockMessage(const ClockMessage &message);
Decoded<ClockMessage> decodeClockMessage(const QByteArray &payload);

// probe/ID: {"v":1,"n":NONCE}, a fresh id with each probe; never signed.
QByteArray encodeProbe(const QByteArray &nonce);
Decoded<QByteArray> decodeProbe(const QByteArray &payload);

QByteArray encodeLeaderPresence(const QByteArray &leaderId);
Decoded<QByteArray> decodeLeaderPresence(const QByteArray &payload);

// How a following room stands towards the leader, as it tells it in its presence.
enum class RoomStanding { Following, CutOff, Rejecting };
// Why a room is not in step, on the wire as "why" (readers of the version before ignore it):
// "leader", "broker", "key", "rival", "skew", "version"; absent: not told.
enum class StepFault { None, NoLeader, BrokerLost, Key, Rival, Skew, Version };

struct RoomPresence
{
    QString room;
    RoomStanding standing = RoomStanding::Following; // absent on the wire: following
    StepFault why = StepFault::None;
    friend bool operator==(const RoomPresence &, const RoomPresence &) = default;
};

QByteArray encodeRoomPresence(const QString &room);
QByteArray encodeRoomPresence(const RoomPresence &presence);
Decoded<QString> decodeRoomPresence(const QByteArray &payload);
Decoded<RoomPresence> decodeRoomStanding(const QByteArray &payload);

inline constexpr qsizetype MaxRoomNameLength = 64;
// A room name an operator can give with --room: shown in the leader's log and tooltip.
bool isRoomName(const QString &room);

} // namespace zentrel
