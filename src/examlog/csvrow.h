#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace zentrel {

// The bytes of one CSV record (RFC 4180): UTF-8, CRLF at the end, a field quoted when it
// holds a comma, a quote, CR or LF or begins with an apostrophe, its quotes doubled.
QByteArray csvRecord(const QStringList &fields);

// A field's text from outside the program, as spreadsheets must show it: as text, never as
// a formula. Text that begins with '=', '+', '-', '@', a tab or a CR gets an apostrophe
// before it (and csvRecord quotes it); any other text stays as it is.
QString csvOutsideText(const QString &text);

// Local time to the millisecond with its offset from UTC: 2026-12-06T09:15:02.123+09:00.
QString isoTimeWithOffset(const QDateTime &localTime);

// zentrel-timer-2026-12-06.csv, and back; a name of any other shape has no date.
QString logFileName(QDate day);
std::optional<QDate> logFileDate(const QString &fileName);

// What starts every new day's file: the byte order mark and the header row.
QByteArray logFileHead();

} // namespace zentrel
