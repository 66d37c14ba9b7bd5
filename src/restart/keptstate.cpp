#include "keptstate.h"

#include "clock/phases.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <ctime>

namespace zentrel {
namespace {
const QString Utc = QStringLiteral("utc");
const QString Boot = QStringLiteral("boot");
const QString BootId = QStringLiteral("bootId");
constexpr double MaxMoment = 1e13; // milliseconds: beyond the year 2286, and years of uptime

std::optional<qint64> moment(const QJsonValue &value)
{
    const double v = value.toDouble(-1);
    if (!value.isDouble() || v < 0 || v > MaxMoment || v != std::floor(v))
        return std::nullopt;
    return qint64(v);
}

bool isBootId(const QByteArray &id)
{
    return id.size() == 36 && std::all_of(id.begin(), id.end(), [](char c) {
               return c == '-' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

QString startable(const ClockState &c)
{
    if (c.Phase == Phase::Reset)
        return QStringLiteral("no phase on");
    if (c.TickIntervalMs < TickIntervalFloorMs)
        return QStringLiteral("interval below %1 ms").arg(TickIntervalFloorMs);
    const auto &l = c.PhaseDurations;
    if (std::any_of(l.begin(), l.end(), [](auto v) { return v < 0 || v > MaxPhaseLengthBox; })
        || std::all_of(l.begin(), l.end(), [](auto v) { return v == 0; }))
        return QStringLiteral("lengths START would refuse");
    const std::size_t slot = minutesSlot(c.Phase);
    if (c.RemainingMinutes * 60 + c.RemainingSeconds > l[slot] * 60 + l[slot + 1])
        return QStringLiteral("a count beyond its phase");
    return {};
}
} // namespace

QByteArray encodeKeptState(const KeptState &kept)
{
    QJsonObject object
        = QJsonDocument::fromJson(encodeClockMessage({ kept.clock, 0, "kept" })).object();
    object.insert(Utc, double(kept.utcMs));
    object.insert(Boot, double(kept.bootMs));
    object.insert(BootId, QString::fromLatin1(kept.bootId));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

KeptRead decodeKeptState(const QByteArray &bytes)
{
    if (bytes.size() > MaxKeptStateBytes)
        return { std::nullopt, QStringLiteral("larger than %1 bytes").arg(MaxKeptStateBytes) };
    QJsonObject object = QJsonDocument::fromJson(bytes).object();
    KeptState kept;
    const std::optional<qint64> utc = moment(object.take(Utc));
    const std::optional<qint64> boot = moment(object.take(Boot));
    kept.bootId = object.take(BootId).toString().toLatin1();
    if (!utc || !boot || (!kept.bootId.isEmpty() && !isBootId(kept.bootId)))
        return { std::nullopt, QStringLiteral("no moment or boot it was kept at") };
    kept.utcMs = *utc;
    kept.bootMs = *boot;
    const Decoded<ClockMessage> clock
        = decodeClockMessage(QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (!clock.ok())
        return { std::nullopt, QStringLiteral("no clock state it can take") };
    kept.clock = clock.value.clock;
    if (const QString fault = startable(kept.clock); !fault.isEmpty())
        return { std::nullopt, fault };
    return { kept, {} };
}

qint64 bootTimeMs()
{
    timespec now {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

QByteArray currentBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray id = file.read(64).trimmed();
    return isBootId(id) ? id : QByteArray();
}

} // namespace zentrel
