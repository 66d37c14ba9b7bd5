#pragma once

#include "clockmessage.h"

#include <QByteArray>

namespace zentrel {

// A circuit key: the leader signs its clock and presence, followers their room presence,
// and every room drops what does not verify. Without a key nothing is signed or checked.
//
// Sealing adds two fields to a version 1 payload: "t", the UTC time in milliseconds, and
// "sig", the hex HMAC-SHA256 over the topic, a newline and the payload with "t" and without
// "sig". A room of the version before reads the payload as it always did.
inline constexpr qint64 MaxClockSkewMs = 10'000;

QByteArray sealMessage(const QByteArray &topic, const QByteArray &payload, const QByteArray &key,
                       qint64 utcMs);

// The signing time of a sealed payload, or why it is refused: Unsigned, Forged, Stale or a
// reading fault. Without a key every payload passes with time 0.
Decoded<qint64> openMessage(const QByteArray &topic, const QByteArray &payload,
                            const QByteArray &key, qint64 nowUtcMs);

} // namespace zentrel
