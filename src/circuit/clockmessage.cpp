#include "clockmessage.h"

#include "roomtopics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <optional>

namespace zentrel {

namespace {

// The accepted range of each number: what the clock and its settings file can hold.
struct Range
{
    double low;
    double high;
};
constexpr Range PhaseRange { 0, double(Phases.size() - 1) };
constexpr Range FlagRange { 0, 1 };
constexpr Range MinutesRange { 0, 99 };
constexpr Range SecondsRange { 0, 60 };
constexpr Range LengthRange { -9, 99 };
constexpr Range IntervalRange { 1, 32767 };
constexpr Range SequenceRange { 0, 4294967295.0 };
constexpr Range AgoRange { 0, 1e9 };
constexpr const char *StandingNames[] = { "following", "cutoff", "rejecting" };
constexpr const char *StepFaultNames[]
    = { "", "leader", "broker", "key", "rival", "skew", "version" };

// The index of `value` among `names`, or -1.
template<std::size_t N>
int nameIndex(const QJsonValue &value, const char *const (&names)[N])
{
    const auto found = std::find_if(std::begin(names), std::end(names),
                                    [&](const char *name) { return value == QLatin1String(name); });
    return found == std::end(names) ? -1 : int(found - std::begin(names));
}

// Reading stops at the first fault; the first fault found is the one reported.
class Reader
{
public:
    explicit Reader(const QByteArray &payload)
    {
        if (payload.size() > MaxMessageBytes) {
            m_fault = MessageFault::Oversized;
            return;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject()) {
            m_fault = MessageFault::Malformed;
            return;
        }
        m_object = doc.object();
        const std::optional<double> version = number(QStringLiteral("v"), { 0, 1e9 });
        if (version && *version != MessageFormatVersion)
            m_fault = MessageFault::WrongVersion;
    }

    MessageFault fault() const { return m_fault; }

    std::optional<double> number(const QString &key, Range range)
    {
        return numberOf(m_object.value(key), range);
    }

    std::optional<double> numberOf(const QJsonValue &value, Range range)
    {
        if (m_fault != MessageFault::None)
            return std::nullopt;
        if (!value.isDouble()) {
            m_fault = MessageFault::Malformed;
            return std::nullopt;
        }
        const double v = value.toDouble();
        if (v != std::floor(v) || v < range.low || v > range.high) {
            m_fault = MessageFault::OutOfRange;
            return std::nullopt;
        }
        return v;
    }

    std::optional<QJsonValue> value(const QString &key, bool (QJsonValue::*is)() const)
    {
        if (m_fault != MessageFault::None)
            return std::nullopt;
        const QJsonValue v = m_object.value(key);
        if (!(v.*is)()) {
            m_fault = MessageFault::Malformed;
            return std::nullopt;
        }
        return v;
    }

    std::optional<QByteArray> clientId(const QString &key)
    {
        const auto v = value(key, &QJsonValue::isString);
        if (!v)
            return std::nullopt;
        const QByteArray id = v->toString().toUtf8();
        if (!isClientId(id)) {
            m_fault = MessageFault::OutOfRange;
            return std::nullopt;
        }
        return id;
    }

    QJsonValue raw(const QString &key) const { return m_object.value(key); }

    void fail(MessageFault fault)
    {
        if (m_fault == MessageFault::None)
            m_fault = fault;
    }

private:
    QJsonObject m_object;
    MessageFault m_fault = MessageFault::None;
};

QByteArray compact(QJsonObject object)
{
    object.insert(QStringLiteral("v"), MessageFormatVersion);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

template<typename T>
Decoded<T> outcome(const Reader &reader, T value)
{
    if (reader.fault() != MessageFault::None)
        return { {}, reader.fault() };
    return { std::move(value), MessageFault::None };
}

void writeClock(QJsonObject &object, const ClockState &c)
{
    QJsonArray lengths;
    for (const auto v : c.PhaseDurations)
        lengths.append(v);
    object.insert(QStringLiteral("phase"), int(c.Phase));
    object.insert(QStringLiteral("paused"), int(c.Paused));
    object.insert(QStringLiteral("minutes"), c.RemainingMinutes);
    object.insert(QStringLiteral("seconds"), c.RemainingSeconds);
    object.insert(QStringLiteral("lengths"), lengths);
    object.insert(QStringLiteral("interval"), c.TickIntervalMs);
    object.insert(QStringLiteral("running"), c.Timer == TimerRun::Running);
}

ClockState readClock(Reader &r)
{
    ClockState c;
    c.Phase = Phase(r.number(QStringLiteral("phase"), PhaseRange).value_or(0));
    c.Paused = Pause(r.number(QStringLiteral("paused"), FlagRange).value_or(0));
    c.RemainingMinutes
        = std::int16_t(r.number(QStringLiteral("minutes"), MinutesRange).value_or(0));
    c.RemainingSeconds
        = std::int16_t(r.number(QStringLiteral("seconds"), SecondsRange).value_or(0));
    const QJsonArray lengths
        = r.value(QStringLiteral("lengths"), &QJsonValue::isArray).value_or(QJsonValue()).toArray();
    if (lengths.size() != qsizetype(c.PhaseDurations.size()))
        r.fail(MessageFault::Malformed);
    for (qsizetype i = 0; i < lengths.size() && r.fault() == MessageFault::None; ++i)
        c.PhaseDurations[i] = std::int16_t(r.numberOf(lengths[i], LengthRange).value_or(0));
    c.TickIntervalMs
        = std::int16_t(r.number(QStringLiteral("interval"), IntervalRange).value_or(0));
    c.Timer = r.value(QStringLiteral("running"), &QJsonValue::isBool).value_or(false).toBool()
        ? TimerRun::Running
        : TimerRun::Stopped;
    // A running timer belongs to a counting clock only.
    if (c.Timer == TimerRun::Running && (c.Phase == Phase::Reset || c.Paused == Pause::On))
        r.fail(MessageFault::OutOfRange);
    return r.fault() == MessageFault::None ? c : ClockState {};
}
} // namespace

QByteArray encodeClockMessage(const ClockMessage &message)
{
    QJsonObject object {
        { QStringLiteral("leader"), QString::fromLatin1(message.leaderId) },
        { QStringLiteral("seq"), double(message.sequence) },
    };
    writeClock(object, message.clock);
    return compact(object);
}

Decoded<ClockMessage> decodeClockMessage(const QByteArray &payload)
{
    Reader r(payload);
    ClockMessage m;
    m.leaderId = r.clientId(QStringLiteral("leader")).value_or(QByteArray());
    m.sequence = std::uint32_t(r.number(QStringLiteral("seq"), SequenceRange).value_or(0));
    m.clock = readClock(r);
    return outcome(r, m);
}

namespace {
// A message that carries one id under `key`: a probe's nonce, a leader's presence.
QByteArray encodeId(const QString &key, const QByteArray &id)
{
    return compact({ { key, QString::fromLatin1(id) } });
}

Decoded<QByteArray> decodeId(const QString &key, const QByteArray &payload)
{
    Reader r(payload);
    const QByteArray id = r.clientId(key).value_or(QByteArray());
    return outcome(r, id);
}
} // namespace

QByteArray encodeProbe(const QByteArray &nonce)
{
    return encodeId(QStringLiteral("n"), nonce);
}

Decoded<QByteArray> decodeProbe(const QByteArray &payload)
{
    return decodeId(QStringLiteral("n"), payload);
}

QByteArray encodeLeaderPresence(const QByteArray &leaderId)
{
    return encodeId(QStringLiteral("leader"), leaderId);
}

Decoded<QByteArray> decodeLeaderPresence(const QByteArray &payload)
{
    return decodeId(QStringLiteral("leader"), payload);
}

QByteArray encodeRoomPresence(const QString &room)
{
    return compact({ { QStringLiteral("room"), room } });
}

QByteArray encodeRoomPresence(const RoomPresence &presence)
{
    QJsonObject object {
        { QStringLiteral("room"), presence.room },
        { QStringLiteral("link"), QLatin1String(StandingNames[int(presence.standing)]) },
    };
    if (presence.why != StepFault::None)
        object.insert(QStringLiteral("why"), QLatin1String(StepFaultNames[int(presence.why)]));
    if (presence.shown)
        writeClock(object, *presence.shown);
    if (presence.stepAgoMs >= 0)
        object.insert(QStringLiteral("ago"), double(presence.stepAgoMs));
    return compact(object);
}

Decoded<QString> decodeRoomPresence(const QByteArray &payload)
{
    const Decoded<RoomPresence> read = decodeRoomStanding(payload);
    return { read.value.room, read.fault };
}

Decoded<RoomPresence> decodeRoomStanding(const QByteArray &payload)
{
    Reader r(payload);
    RoomPresence p;
    p.room
        = r.value(QStringLiteral("room"), &QJsonValue::isString).value_or(QJsonValue()).toString();
    if (r.fault() == MessageFault::None && !isRoomName(p.room))
        r.fail(MessageFault::OutOfRange);
    const QJsonValue link = r.raw(QStringLiteral("link"));
    if (r.fault() == MessageFault::None && !link.isUndefined()) {
        const int i = nameIndex(link, StandingNames);
        if (i < 0)
            r.fail(MessageFault::OutOfRange);
        p.standing = RoomStanding(std::max(i, 0));
    }
    const QJsonValue why = r.raw(QStringLiteral("why"));
    if (r.fault() == MessageFault::None && !why.isUndefined()) {
        const int i = nameIndex(why, StepFaultNames);
        if (i <= 0)
            r.fail(MessageFault::OutOfRange);
        p.why = StepFault(std::max(i, 0));
    }
    if (r.fault() == MessageFault::None && !r.raw(QStringLiteral("phase")).isUndefined())
        p.shown = readClock(r);
    if (r.fault() == MessageFault::None && !r.raw(QStringLiteral("ago")).isUndefined())
        p.stepAgoMs = qint64(r.number(QStringLiteral("ago"), AgoRange).value_or(-1));
    return outcome(r, p);
}

bool isRoomName(const QString &room)
{
    if (room.trimmed().isEmpty() || room.size() > MaxRoomNameLength)
        return false;
    for (const QChar c : room) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c.isSurrogate() || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

} // namespace zentrel
