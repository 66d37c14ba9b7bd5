#include "examlog/csvrow.h"

#include <QRegularExpression>

namespace zentrel {

QByteArray csvRecord(const QStringList &fields)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            bytes += ',';
        const QByteArray field = fields[i].toUtf8();
        if (field.contains(',') || field.contains('"') || field.contains('\r')
            || field.contains('\n') || field.startsWith('\'')) {
            bytes += '"' + QByteArray(field).replace('"', "\"\"") + '"';
        } else {
            bytes += field;
        }
    }
    return bytes + "\r\n";
}

QString csvOutsideText(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        return QLatin1Char('\'') + text;
    return text;
}

QString isoTimeWithOffset(const QDateTime &localTime)
{
    const int offsetMinutes = localTime.offsetFromUtc() / 60;
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return localTime.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
        + (offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        + QStringLiteral("%1:%2")
              .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
              .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

QString logFileName(QDate day)
{
    return QStringLiteral("zentrel-timer-") + day.toString(Qt::ISODate) + QStringLiteral(".csv");
}

std::optional<QDate> logFileDate(const QString &fileName)
{
    static const QRegularExpression shape(
        QStringLiteral("^zentrel-timer-(\\d{4}-\\d{2}-\\d{2})\\.csv$"));
    const QRegularExpressionMatch match = shape.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(match.captured(1), Qt::ISODate);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

QByteArray logFileHead()
{
    return QByteArray("\xEF\xBB\xBF")
        + csvRecord({ QStringLiteral("時刻"), QStringLiteral("出来事"), QStringLiteral("フェーズ"),
                      QStringLiteral("表示"), QStringLiteral("詳細") });
}

} // namespace zentrel
