#include "leaderwatch.h"

#include "messageseal.h"

#include <algorithm>

namespace zentrel {

LeaderWatch::LeaderWatch(QByteArray key, QByteArray ownId)
    : m_key(std::move(key))
    , m_ownId(std::move(ownId))
{ }

ClockOutcome LeaderWatch::hear(const QByteArray &topic, const QByteArray &payload, qint64 nowMs,
                               qint64 nowUtcMs, Retain retained)
{
    ClockOutcome out;
    const Decoded<qint64> opened = openMessage(topic, payload, m_key, nowUtcMs);
    if (retained == Retain::Yes && opened.fault == MessageFault::Stale) {
        out.verdict = ClockVerdict::Retained;
        return out;
    }
    if (!opened.ok()) {
        out.fault = opened.fault;
        return out;
    }
    const Decoded<ClockMessage> read = decodeClockMessage(payload);
    if (!read.ok()) {
        out.fault = read.fault;
        return out;
    }
    out.message = read.value;
    out.verdict
        = retained == Retain::Yes ? ClockVerdict::Retained : hear(read.value, nowMs, opened.value);
    if (out.verdict == ClockVerdict::Refused)
        out.fault = MessageFault::Implausible;
    out.message.clock = runnable(out.message.clock);
    return out;
}

ClockVerdict LeaderWatch::hear(const ClockMessage &message, qint64 nowMs, qint64 signedMs)
{
    if (!m_ownId.isEmpty() && message.leaderId == m_ownId)
        return ClockVerdict::Own;
    Session *s = find(message.leaderId);
    if (!s) {
        Session &added = add(message.leaderId, nowMs);
        added.sequence = message.sequence;
        added.signedMs = signedMs;
        return ClockVerdict::Hold;
    }
    if (!m_key.isEmpty()) {
        if (message.sequence <= s->sequence)
            return ClockVerdict::Repeat;
        if (message.sequence - s->sequence > plausibleAdvance(nowMs - s->heardMs))
            return ClockVerdict::Refused;
    }
    s->signedMs = std::max(s->signedMs, signedMs);
    const bool inTime = nowMs - s->heardMs <= LeaderLifeMs;
    if (!inTime)
        s->liveSinceMs = -1;
    else if (s->liveSinceMs < 0)
        s->liveSinceMs = nowMs;
    s->sequence = message.sequence;
    s->heardMs = nowMs;
    if (!isLive(s->id, nowMs))
        return ClockVerdict::Hold;
    if (s->id == m_followed)
        return ClockVerdict::Take;
    if (!m_ownId.isEmpty() || following(nowMs))
        return ClockVerdict::OtherLeader;
    m_followed = s->id;
    return ClockVerdict::Take;
}

bool LeaderWatch::isLive(const QByteArray &leaderId, qint64 nowMs) const
{
    const Session *s = find(leaderId);
    return s && s->liveSinceMs >= 0 && nowMs - s->heardMs <= LeaderLifeMs;
}

QByteArray LeaderWatch::liveOther(qint64 nowMs) const
{
    for (const Session &s : m_sessions) {
        if (s.id != m_followed && isLive(s.id, nowMs))
            return s.id;
    }
    return {};
}

qint64 LeaderWatch::newestSigned(const QByteArray &leaderId) const
{
    const Session *s = find(leaderId);
    return s ? s->signedMs : 0;
}

std::uint32_t LeaderWatch::plausibleAdvance(qint64 elapsedMs)
{
    return std::uint32_t(std::clamp<qint64>(64 + elapsedMs, 64, 1 << 30));
}

LeaderWatch::Session *LeaderWatch::find(const QByteArray &id)
{
    const auto it = std::find_if(m_sessions.begin(), m_sessions.end(),
                                 [&](const Session &s) { return s.id == id; });
    return it == m_sessions.end() ? nullptr : &*it;
}

const LeaderWatch::Session *LeaderWatch::find(const QByteArray &id) const
{
    return const_cast<LeaderWatch *>(this)->find(id);
}

// Bounded: the session heard least lately makes room, never the one followed.
LeaderWatch::Session &LeaderWatch::add(const QByteArray &id, qint64 nowMs)
{
    if (m_sessions.size() >= std::size_t(MaxWatchedLeaders)) {
        auto oldest = m_sessions.end();
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            if (it->id != m_followed
                && (oldest == m_sessions.end() || it->heardMs < oldest->heardMs))
                oldest = it;
        }
        m_sessions.erase(oldest);
    }
    m_sessions.push_back({ id, 0, nowMs, -1, 0 });
    return m_sessions.back();
}

ClockState runnable(ClockState state)
{
    state.TickIntervalMs = std::max<std::int16_t>(state.TickIntervalMs, TickIntervalFloorMs);
    return state;
}

} // namespace zentrel
