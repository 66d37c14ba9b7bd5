// Stateful libFuzzer target: sequences of clocks from two real leaders, forged and replayed
// payloads and the passing of time, fed to a keyed follower's and a leader's decisions, and
// rooms coming and going on a leader's roster. Checks: no forged clock taken while a key is
// set, no clock taken twice, never stuck on a dead leader while a live one speaks, and the
// roster bounded and in step with its lists.
#include "circuit/leaderwatch.h"
#include "circuit/messageseal.h"
#include "circuit/roomroster.h"

#include <QSet>
#include <cstdlib>

using namespace zentrel;

namespace {
const QByteArray Key = "fuzzing-circuit-key";
const QByteArray Topic = "zentrel/f/clock";
constexpr qint64 Utc = 1'800'000'000'000;

struct RealLeader
{
    QByteArray id;
    std::uint32_t sequence = 0;
    qint64 lastSentMs = -1'000'000;
    QList<QByteArray> sent;
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    LeaderWatch follower(Key);
    LeaderWatch leader(Key, "own");
    RoomRoster roster;
    RealLeader real[2] = { { .id = "a" }, { .id = "b" } };
    QSet<QByteArray> taken;
    qint64 now = 0;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t op = data[i++];
        const std::uint8_t arg = i < size ? data[i++] : 0;
        switch (op % 6) {
        case 0: // time passes
            now += arg * 20;
            break;
        case 1: { // a real leader sends its next clock
            RealLeader &r = real[arg % 2];
            ClockState s;
            s.RemainingSeconds = std::int16_t(r.sequence % 60);
            const QByteArray payload
                = sealMessage(Topic, encodeClockMessage({ s, ++r.sequence, r.id }), Key, Utc + now);
            r.sent.append(payload);
            const bool alive = now - r.lastSentMs <= LeaderLifeMs;
            const bool followedAlive = follower.following(now);
            const QByteArray followed = follower.followed();
            const ClockOutcome out = follower.hear(Topic, payload, now, Utc + now);
            r.lastSentMs = now;
            if (alive && (!followedAlive || followed == r.id))
                check(out.verdict == ClockVerdict::Take);
            if (out.verdict == ClockVerdict::Take) {
                const QByteArray tick = r.id + ':' + QByteArray::number(r.sequence);
                check(!taken.contains(tick));
                taken.insert(tick);
            }
            check(leader.hear(Topic, payload, now, Utc + now).verdict != ClockVerdict::Refused);
            break;
        }
        case 2: { // forged bytes on the clock topic
            const std::size_t n = std::min<std::size_t>(arg, size - i);
            const QByteArray bytes(reinterpret_cast<const char *>(data + i), qsizetype(n));
            i += n;
            check(follower.hear(Topic, bytes, now, Utc + now).verdict != ClockVerdict::Take);
            const ClockVerdict v = leader.hear(Topic, bytes, now, Utc + now).verdict;
            check(v != ClockVerdict::OtherLeader && v != ClockVerdict::Take);
            break;
        }
        case 3: { // an earlier real clock again
            const RealLeader &r = real[arg % 2];
            if (!r.sent.isEmpty()) {
                const QByteArray &old = r.sent[arg % r.sent.size()];
                check(follower.hear(Topic, old, now, Utc + now).verdict != ClockVerdict::Take);
            }
            break;
        }
        case 4: { // a room joins or changes
            const QByteArray id = QByteArray::number(arg);
            roster.update(id, { QString::number(arg % 17 + 1), RoomStanding(arg % 3) });
            break;
        }
        case 5:
            roster.remove(QByteArray::number(arg));
            break;
        }
        check(roster.size() <= MaxRooms);
        check(roster.following().size() + roster.outOfStep().size() == roster.size());
        check(std::is_sorted(roster.following().begin(), roster.following().end()));
    }
    return 0;
}
