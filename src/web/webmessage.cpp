#include "webmessage.h"

#include "clock/cues.h"
#include "clock/phases.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zentrel {

namespace {
// The system's button face has no meaning in a browser: a neutral light grey stands in.
constexpr const char *NeutralColour = "#d4d4d4";

QJsonArray phaseTable()
{
    QJsonArray phases;
    for (const PhaseRow &row : Phases) {
        const char *announcement = announcementDuring(row.phase);
        phases.append(QJsonObject {
            { u"status"_qs, QString::fromUtf8(row.statusText) },
            { u"colour"_qs, cssColour(row.colour) },
            { u"next"_qs, int(row.next) },
            { u"announcement"_qs, announcement ? QString::fromLatin1(announcement) : QString() },
        });
    }
    return phases;
}

// When the room plays a cue: seconds left in the phase, and the file (empty: the
// announcement of the phase that follows).
QJsonArray cueMoments()
{
    QJsonArray moments;
    for (const CueMoment &moment : CueMoments) {
        const char *file
            = moment.cue == Cue::Announcement ? nullptr : cueFile(moment.cue, Phase::Reset);
        moments.append(
            QJsonObject { { u"left"_qs, moment.secondsLeft },
                          { u"file"_qs, file ? QString::fromLatin1(file) : QString() } });
    }
    return moments;
}

QJsonObject versioned()
{
    return { { u"v"_qs, WebMessageVersion } };
}
} // namespace

QString cssColour(std::uint32_t colour)
{
    if (colour & SystemColourBit)
        return QString::fromLatin1(NeutralColour);
    const std::uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF,
                        blue = (colour >> 16) & 0xFF;
    return u"#%1"_qs.arg(uint((red << 16) | (green << 8) | blue), 6, 16, QLatin1Char('0'));
}

QString pageBuildId()
{
    static const QString id = [] {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const char *name : { ":/web/index.html", ":/web/page.js", ":/web/page.css" }) {
            QFile file { QString::fromLatin1(name) };
            if (file.open(QIODevice::ReadOnly))
                hash.addData(file.readAll());
        }
        return QString::fromLatin1(hash.result().toHex().left(16));
    }();
    return id;
}

QByteArray webStateMessage(const WebView &view, const WebNames &names)
{
    static const QJsonArray phases = phaseTable();
    static const QJsonArray cues = cueMoments();
    static const QJsonObject marks {
        { u"pause"_qs, QString::fromUtf8(PauseMark) },
        { u"noSync"_qs, statusMarkText(StatusMark::NoSync, Viewer::Door) },
    };
    const ClockState &s = view.state;
    QJsonArray lengths;
    for (const std::int16_t length : s.PhaseDurations)
        lengths.append(length);
    const char *cue = cueFile(view.cue, s.Phase);
    QJsonObject message = versioned();
    message.insert(u"phase"_qs, int(s.Phase));
    message.insert(u"paused"_qs, s.Paused == Pause::On);
    message.insert(u"running"_qs, s.Timer == TimerRun::Running);
    message.insert(u"minutes"_qs, s.RemainingMinutes);
    message.insert(u"seconds"_qs, s.RemainingSeconds);
    message.insert(u"shown"_qs, QJsonArray { view.shown[0], view.shown[1] });
    message.insert(u"lengths"_qs, lengths);
    message.insert(u"tickMs"_qs, s.TickIntervalMs);
    message.insert(u"status"_qs, statusLine(s, view.marks, Viewer::Door));
    message.insert(u"colour"_qs, cssColour(phaseRow(s.Phase).colour));
    message.insert(u"cue"_qs, cue ? QString::fromLatin1(cue) : QString());
    message.insert(u"room"_qs, names.room);
    message.insert(u"circuit"_qs, names.circuit);
    message.insert(u"phases"_qs, phases);
    message.insert(u"cues"_qs, cues);
    message.insert(u"marks"_qs, marks);
    message.insert(u"build"_qs, pageBuildId());
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

QByteArray webEndMessage()
{
    QJsonObject message = versioned();
    message.insert(u"end"_qs, true);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

} // namespace zentrel
