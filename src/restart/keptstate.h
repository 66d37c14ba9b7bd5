#pragma once

#include "circuit/clockmessage.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace zentrel {

// The clock as a room alone or a leader last kept it on disk while a phase was on: the
// clock message's fields (its leader and sequence say nothing here) plus the moment they
// were true, by the wall clock in UTC and by the boot-time clock, and the boot they belong to:
//   {"v":1,"leader":"kept","seq":0,...the clock's fields...,"utc":MS,"boot":MS,"bootId":ID}
struct KeptState
{
    ClockState clock;
    qint64 utcMs = 0; // since the epoch
    qint64 bootMs = 0; // CLOCK_BOOTTIME, which goes on while the machine sleeps
    QByteArray bootId; // /proc/sys/kernel/random/boot_id
    friend bool operator==(const KeptState &, const KeptState &) = default;
};

// Read from disk: nothing longer is parsed.
inline constexpr qsizetype MaxKeptStateBytes = 2048;

QByteArray encodeKeptState(const KeptState &kept);
// Accepted whole, or rejected with the reason, for standard error. Beyond the clock
// message's own checks, the state must be one START could have produced: a phase on, every
// length 0 to 60 and not all 0, a count within its phase, an interval of at least 100 ms.
struct KeptRead
{
    std::optional<KeptState> kept;
    QString fault;
};
KeptRead decodeKeptState(const QByteArray &bytes);

// This moment as a KeptState stamps it.
qint64 bootTimeMs();
QByteArray currentBootId(); // empty where the system does not tell

} // namespace zentrel
