// The circuit's plain logic: the broker address and key, the clock message reader and its
// seal, which leader a room follows and which clock is news, and the leader's roster.
#include "circuit/brokeraddress.h"
#include "circuit/clockmessage.h"
#include "circuit/leaderwatch.h"
#include "circuit/messageseal.h"
#include "circuit/roomroster.h"
#include "circuit/takeover.h"
#include "examlog/sessionevent.h"
#include "files.h"
#include "rows.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace zentrel;

namespace {
// The address, CA file and password given: transport user host port circuit password, or "!".
// Rows named "trusted" are on a trusted network.
struct Address
{
    const char *name, *text, *caFile, *password, *expected;
};
const Address Addresses[] = {
    { "plain, default port", "mqtt://ex.org/osce", "", "", "plain  ex.org 1883 osce " },
    { "tls, default port", "mqtts://10.0.0.5/osce-1", "", "", "tls  10.0.0.5 8883 osce-1 " },
    { "user ipv6 port CA", "mqtts://u@[::1]:9/A_b.c", __FILE__, "pw", "tls u ::1 9 A_b.c pw" },
    { "password in address", "mqtt://exam:secret@h/x", "", "", "!" },
    { "wildcard", "mqtt://h/a+", "", "", "!" },
    { "other scheme", "http://h/x", "", "", "!" },
    { "port zero", "mqtt://h:0/x", "", "", "!" },
    { "port too big", "mqtt://h:65536/x", "", "", "!" },
    { "CA file without tls", "mqtt://h/x", __FILE__, "", "!" },
    { "CA file missing", "mqtts://h/x", "/nonexistent", "", "!" },
    { "password, no user", "mqtt://h/x", "", "pw", "!" },
    { "password in clear", "mqtt://u@h/x", "", "pw", "!" },
    { "password in clear, trusted network", "mqtt://u@h/x", "", "pw", "plain u h 1883 x pw" },
};

// The good message with `from` replaced by `to`, and what the reader finds.
struct Message
{
    const char *name, *from, *to;
    MessageFault fault;
};
// clang-format off
const Message Messages[] = {
    { "accepted", "", "", MessageFault::None },
    { "a 0:60 phase, as START allows", R"("seconds":27,"lengths":[1,0,)", R"("seconds":60,"lengths":[0,60,)", MessageFault::None },
    { "not json", R"(,"running":true})", "", MessageFault::Malformed },
    { "version 2", R"("v":1)", R"("v":2)", MessageFault::WrongVersion },
    { "phase 5", R"("phase":3)", R"("phase":5)", MessageFault::OutOfRange },
    { "paused 2", R"("paused":0)", R"("paused":2)", MessageFault::OutOfRange },
    { "seconds 61", R"("seconds":27)", R"("seconds":61)", MessageFault::OutOfRange },
    { "minutes negative", R"("minutes":4)", R"("minutes":-1)", MessageFault::OutOfRange },
    { "fraction", R"("minutes":4)", R"("minutes":4.5)", MessageFault::OutOfRange },
    { "minutes as text", R"("minutes":4)", R"("minutes":"4")", MessageFault::Malformed },
    { "interval 0", R"("interval":999)", R"("interval":0)", MessageFault::OutOfRange },
    { "interval 32768", R"(:999)", R"(:32768)", MessageFault::OutOfRange },
    { "seven lengths", "[1,0,", "[0,", MessageFault::Malformed },
    { "length 100", "5,0,1,0]", "5,0,1,100]", MessageFault::OutOfRange },
    { "running while paused", R"("paused":0)", R"("paused":1)", MessageFault::OutOfRange },
    { "leader id with a slash", "ab12", "ab/2", MessageFault::OutOfRange },
};
// clang-format on
const QByteArray Good
    = R"({"v":1,"leader":"ab12","seq":7,"phase":3,"paused":0,"minutes":4,)"
      R"("seconds":27,"lengths":[1,0,1,0,5,0,1,0],"interval":999,"running":true})";

const char *const Key = "0123456789abcdef", *const Topic = "zentrel/c/clock";

// Each step: leader id, sequence and arrival in ms ("A2@900"); each verdict: T take,
// H hold, R repeat, O other leader, W own, X refused. Rows named "keyed" have a key.
struct Watch
{
    const char *name, *steps, *verdicts;
};
// clang-format off
const Watch Watches[] = {
    { "one message is no life", "A1@0,A2@900", "HT" },
    { "keyed: repeat and lower are not news", "A1@0,A5@900,A5@950,A3@990,A6@1800", "HTRRT" },
    { "keyed: huge sequence refused, the next real one taken", "A1@0,A2@900,A4294967295@950,A3@1900", "HTXT" },
    { "no key: arrival order, a forged sequence lasts one clock", "A1@0,A2@900,A4294967295@950,A3@1900", "HTTT" },
    { "a gap longer than life is not life", "A1@0,A2@2500,A3@3000", "HHT" },
    { "second live leader while the first lives", "A1@0,A2@900,B1@1000,B2@1500,A3@1800", "HTHOT" },
    { "followed dies, the live other is taken", "A1@0,A2@900,B1@1000,B2@1500,B3@3000", "HTHOT" },
    { "leader restarts: a new session counts from 1", "A1@0,A90@900,B1@4000,B2@4900", "HTHT" },
};
// clang-format on

// What a sealed clock must carry to be taken, after one good clock, by a room with the key:
// the reader's key and topic, how far the sealer's clock is off, and a pattern of the sealed
// payload replaced. A row named "retained" was kept by the broker; "replayed" is the first
// clock again.
struct Seal
{
    const char *name, *readerKey, *topic;
    qint64 skewMs;
    const char *tamper, *by;
    MessageFault fault;
    ClockVerdict verdict;
};
// clang-format off
const Seal Seals[] = {
    { "same key", Key, Topic, 0, "", "", MessageFault::None, ClockVerdict::Take },
    { "no key reads anything", "", Topic, 99'000, "27", "3", MessageFault::None, ClockVerdict::Take },
    { "other key", "0123456789abcdeF", Topic, 0, "", "", MessageFault::Forged, ClockVerdict::Refused },
    { "other topic", Key, "zentrel/c/rooms/a", 0, "", "", MessageFault::Forged, ClockVerdict::Refused },
    { "changed field", Key, Topic, 0, "27", "3", MessageFault::Forged, ClockVerdict::Refused },
    { "empty signature", Key, Topic, 0, "\"sig\":\"\\w+\"", "\"sig\":\"\"", MessageFault::Forged, ClockVerdict::Refused },
    { "short signature", Key, Topic, 0, "(\"sig\":\"\\w{8})\\w+", "\\1", MessageFault::Forged, ClockVerdict::Refused },
    { "11 s ahead", Key, Topic, 11'000, "", "", MessageFault::Stale, ClockVerdict::Refused },
    { "11 s behind", Key, Topic, -11'000, "", "", MessageFault::Stale, ClockVerdict::Refused },
    { "11 s behind, retained: a session that ended", Key, Topic, -11'000, "", "", MessageFault::None, ClockVerdict::Retained },
    { "replayed", Key, Topic, 0, "", "", MessageFault::None, ClockVerdict::Repeat },
};
// clang-format on

// A starting leader's choice among the rooms' answers, each "ROOM:SECONDS:AGO@HEARD" of a room
// counting Moving (0:33) at 1000 ms: SECONDS ends in p paused, f at 50 ms, l with a length START
// refuses; "i" is an idle room. Expected: "ROOM PHASE m:ss", or "-" to lead from own settings.
struct Take
{
    const char *name, *answers;
    qint64 nowMs;
    const char *taken;
};
// clang-format off
const Take Takes[] = {
    { "idle room", "A:i", 0, "-" },
    { "advanced by the whole ticks since the answer", "A:30:0@1000", 3999, "A 1 0:28" },
    { "paused: not advanced", "A:30p:0@1000", 9000, "A 1 0:30" },
    { "in step most recently, not the freshest answer", "A:20:5000@1000,B:25:0@900", 1000, "B 1 0:25" },
    { "never in step comes last", "A:20:-1@1000,B:25:9000@1000", 1000, "B 1 0:25" },
    { "advanced into the next phase", "A:1:0@0", 3000, "A 2 0:09" },
    { "count beyond its phase refused", "A:40:0@0", 0, "-" },
    { "interval under the floor refused", "A:30f:0@0", 0, "-" },
    { "lengths START refuses", "A:30l:0@0", 0, "-" },
    { "a refused room does not hide a good one", "A:40:0@0,B:20:3000@0", 0, "B 1 0:20" },
};
// clang-format on

// The key file's mode (0: no file) and content, the environment's key, and whether taken.
struct KeyFile
{
    const char *name;
    int mode;
    const char *content, *environment;
    bool ok;
};
const KeyFile KeyFiles[] = {
    { "owner only", 0600, Key, "", true },
    { "group may read", 0640, Key, "", false },
    { "others may read", 0604, Key, "", false },
    { "too short", 0600, "short", "", false },
    { "file and environment", 0600, Key, Key, false },
    { "environment alone", 0, "", Key, true },
};
} // namespace

Q_DECLARE_METATYPE(Address)
Q_DECLARE_METATYPE(Message)
Q_DECLARE_METATYPE(Watch)
Q_DECLARE_METATYPE(Seal)
Q_DECLARE_METATYPE(KeyFile)
Q_DECLARE_METATYPE(Take)

class TestRoomsLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data() { addRows(Addresses); }
    void address()
    {
        QFETCH(Address, row);
        const Checked<BrokerAddress> parsed = parseBrokerAddress(QString::fromUtf8(row.text));
        const NetworkTrust trust = QByteArray(row.name).contains("trusted")
            ? NetworkTrust::Trusted
            : NetworkTrust::Untrusted;
        const Checked<BrokerLogin> login = brokerLogin(parsed.value, QString::fromUtf8(row.caFile),
                                                       QByteArray(row.password), trust);
        const QLatin1String expected(row.expected);
        QCOMPARE(parsed.ok() && login.ok(), expected != QLatin1String("!"));
        const BrokerAddress &a = login.value.address;
        if (parsed.ok() && login.ok())
            QCOMPARE(QStringList({ a.transport == BrokerTransport::Tls ? u"tls"_qs : u"plain"_qs,
                                   a.user, a.host, QString::number(a.port), a.circuit,
                                   QString::fromUtf8(login.value.password) })
                         .join(u' '),
                     expected);
    }

    void clockMessage_data() { addRows(Messages); }
    void clockMessage()
    {
        QFETCH(Message, row);
        QCOMPARE(decodeClockMessage(Good + QByteArray(MaxMessageBytes, ' ')).fault,
                 MessageFault::Oversized);
        const Decoded<ClockMessage> read
            = decodeClockMessage(QByteArray(Good).replace(row.from, row.to));
        QCOMPARE(read.fault, row.fault);
        if (row.fault != MessageFault::None)
            return;
        const ClockMessage &m = read.value;
        const ClockState &c = m.clock;
        QCOMPARE(decodeClockMessage(encodeClockMessage(m)).value, m);
        if (*row.from)
            return;
        QCOMPARE(std::tuple(m.leaderId, m.sequence, c.Phase, c.Paused, c.RemainingMinutes,
                            c.RemainingSeconds, c.PhaseDurations[4], c.TickIntervalMs, c.Timer),
                 std::tuple(QByteArray("ab12"), 7u, Phase::Examination, Pause::Off, 4, 27, 5, 999,
                            TimerRun::Running));
        // Taken from the wire, an interval below the trim floor never drives this room's timer.
        ClockState fast = c;
        fast.TickIntervalMs = 1;
        QCOMPARE(runnable(fast).TickIntervalMs, TickIntervalFloorMs);
        QCOMPARE(runnable(c), c);
    }

    void leaderWatch_data() { addRows(Watches); }
    void leaderWatch()
    {
        QFETCH(Watch, row);
        LeaderWatch watch(QByteArray(row.name).startsWith("keyed") ? Key : "");
        QString got;
        for (const QString &step : QString::fromLatin1(row.steps).split(u',')) {
            const qsizetype at = step.indexOf(u'@');
            ClockMessage m;
            m.leaderId = step.left(1).toLatin1().toLower();
            m.sequence = step.mid(1, at - 1).toUInt();
            got += QStringLiteral("THROWXK").at(int(watch.hear(m, step.mid(at + 1).toLongLong())));
        }
        QCOMPARE(got, QLatin1String(row.verdicts));
    }

    void seal_data() { addRows(Seals); }
    void seal()
    {
        QFETCH(Seal, row);
        const QByteArray name(row.name);
        ClockMessage m { {}, 1, "ab12" };
        m.clock.RemainingSeconds = 27;
        m.clock.TickIntervalMs = 1; // as the wire allows: floored once taken
        const qint64 now = 1'800'000'000'000;
        LeaderWatch watch(row.readerKey);
        const QByteArray first = sealMessage(row.topic, encodeClockMessage(m), row.readerKey, now);
        QCOMPARE(watch.hear(row.topic, first, 0, now).verdict, ClockVerdict::Hold);
        m.sequence = name.contains("replayed") ? 1 : 2;
        const QByteArray plain = encodeClockMessage(m);
        QString sealed = QString::fromLatin1(sealMessage(Topic, plain, Key, now + row.skewMs));
        if (*row.tamper)
            sealed.replace(QRegularExpression(QLatin1String(row.tamper)), QLatin1String(row.by));
        const ClockOutcome out = watch.hear(row.topic, sealed.toLatin1(), 900, now,
                                            name.contains("retained") ? Retain::Yes : Retain::No);
        QCOMPARE(std::pair(out.fault, out.verdict), std::pair(row.fault, row.verdict));
        QVERIFY(out.verdict != ClockVerdict::Take
                || out.message.clock.TickIntervalMs == TickIntervalFloorMs);
        // A room of the version before reads a sealed clock as the plain one.
        if (!*row.tamper)
            QCOMPARE(decodeClockMessage(sealed.toLatin1()).value, m);
    }

    void keyFile_data() { addRows(KeyFiles); }
    void keyFile()
    {
        QFETCH(KeyFile, row);
        QTemporaryDir dir;
        const QString path = row.mode ? dir.filePath(u"key"_qs) : QString();
        if (row.mode) {
            writeFile(path, QByteArray(row.content) + '\n');
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(row.mode)) == 0);
        }
        const Checked<QByteArray> key = circuitKey(row.environment, path);
        QCOMPARE(key.ok(), row.ok);
        if (row.ok)
            QCOMPARE(key.value, QByteArray(Key));
    }

    void takeover_data() { addRows(Takes); }
    void takeover()
    {
        QFETCH(Take, row);
        TakeoverPoll poll;
        for (const QString &answer :
             QString::fromLatin1(row.answers).split(u',', Qt::SkipEmptyParts)) {
            const QStringList f = answer.split(QRegularExpression(u"[:@]"_qs));
            RoomPresence p { f[0], RoomStanding::CutOff, StepFault::NoLeader, ClockState {} };
            if (f[1] != u"i"_qs) {
                ClockState &s = *p.shown;
                s.Phase = Phase::Moving;
                s.PhaseDurations = { 0, 33, 0, 11, 5, 0, 1, 0 };
                s.RemainingSeconds
                    = std::int16_t(QString(f[1]).remove(QRegularExpression(u"\\D"_qs)).toInt());
                s.TickIntervalMs = f[1].endsWith(u'f') ? 50 : 1000;
                s.PhaseDurations[1] = f[1].endsWith(u'l') ? 61 : 33;
                s.Timer = f[1].endsWith(u'p') ? TimerRun::Stopped : TimerRun::Running;
                s.Paused = Pause(s.Timer == TimerRun::Stopped);
                p.stepAgoMs = f[2].toLongLong();
                QCOMPARE(decodeRoomStanding(encodeRoomPresence(p)).value, p);
            }
            poll.hear(p.room.toLatin1(), p, f.value(3).toLongLong());
        }
        const std::optional<Takeover> t = poll.choose(row.nowMs);
        const ClockState s = t ? t->state : ClockState {};
        QCOMPARE(t ? u"%1 %2 "_qs.arg(t->room).arg(int(s.Phase))
                         + countText(s.RemainingMinutes, s.RemainingSeconds)
                   : u"-"_qs,
                 QLatin1String(row.taken));
    }

    // Catches a room counted twice, an unsorted or stale tooltip and no bound.
    void roster()
    {
        RoomRoster r;
        QCOMPARE(r.update("b", { u"102"_qs }), RosterChange::Joined);
        QCOMPARE(r.update("a", { u"101"_qs }), RosterChange::Joined);
        QCOMPARE(r.update("a", { u"101"_qs }), RosterChange::Same);
        QCOMPARE(r.update("c", { u"103"_qs, RoomStanding::Rejecting }), RosterChange::Joined);
        const RoomPresence noLeader { u"102"_qs, RoomStanding::CutOff, StepFault::NoLeader };
        QCOMPARE(r.update("b", noLeader), RosterChange::Restood);
        QCOMPARE(r.update("d", { u"104"_qs, RoomStanding::CutOff }), RosterChange::Joined);
        QCOMPARE(r.text(),
                 u"1 部屋が同期中: 101\n同期していない部屋: 102（リーダーなし）, "
                 u"103（鍵が合わず受信拒否）, 104（切断）"_qs);
        QCOMPARE(r.remove("b"), RosterChange::Left);
        QCOMPARE(r.remove("b"), RosterChange::Same);
        for (int i = r.size(); i < MaxRooms; ++i)
            QCOMPARE(r.update(QByteArray::number(i), { QString::number(i) }), RosterChange::Joined);
        QCOMPARE(r.update("full", { u"x"_qs }), RosterChange::Full);
    }
};

QTEST_GUILESS_MAIN(TestRoomsLogic)
#include "tst_rooms_logic.moc"
