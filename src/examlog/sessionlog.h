#pragma once

#include "examlog/sessionevent.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <memory>

namespace zentrel {

class LogWriter;

// What the window shows when an event happens.
struct ShownCount
{
    QString phase; // the phase's name as the status line shows it
    int minutes = 0;
    int seconds = 0;
};

// The session log for appeals: one CSV file a day (zentrel-timer-YYYY-MM-DD.csv, a new
// file at local midnight) with one row per event. Old files are removed when it starts
// (logFilesToRemove). Writing happens on a thread of its own; a log that cannot be written
// never stops the caller.
class SessionLog : public QObject
{
    Q_OBJECT

public:
    // An empty folder means defaultFolder().
    explicit SessionLog(const QString &folder = {}, QObject *parent = nullptr);
    ~SessionLog() override; // writes every queued row first

    // $XDG_STATE_HOME/zentrel-timer, or ~/.local/state/zentrel-timer.
    static QString defaultFolder();
    QString folder() const { return m_folder; }

    // Queue a row stamped now; returns at once, never waiting for the disk.
    void record(SessionEvent event, const ShownCount &shown, const QString &detail = {});
    void record(const QDateTime &when, SessionEvent event, const ShownCount &shown,
                const QString &detail = {});

    // Blocks until every row queued so far is written or has failed.
    void waitUntilWritten();

Q_SIGNALS:
    // Once, on this object's thread, the first time a row cannot be written (full disk, no
    // permission, no folder). Every later row is tried again, quietly.
    void unwritable(const QString &reason);

private:
    QString m_folder;
    std::unique_ptr<LogWriter> m_writer;
};

} // namespace zentrel
