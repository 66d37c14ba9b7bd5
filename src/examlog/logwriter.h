#pragma once

#include "examlog/sessionevent.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zentrel {

// Log files dated more than this many days before the newest log file are removed at
// start: beside the file of 2026-12-06, that of 2026-09-07 (90 days) stays and that of
// 2026-09-06 (91 days) goes.
inline constexpr int LogKeptDays = 90;

// Which of the files named (a folder's listing) to remove at start, by the dates in the log
// files' names, not by the clock: none when a log file is dated after `today` (the clock is
// wrong, now or when that file was made), never today's, and otherwise those dated more than
// LogKeptDays before the newest log file. Names of any other shape stay.
QStringList logFilesToRemove(const QStringList &names, QDate today);

struct LogEntry
{
    qint64 msecsSinceEpoch = 0;
    SessionEvent event = SessionEvent::ProgramStart;
    QString phase;
    int minutes = 0;
    int seconds = 0;
    QString detail;
};

// Appends queued entries to the day's file on a thread of its own, so that nobody who
// queues ever waits for the disk. A failed write is cut back off the file and reported
// once; every later write tries again.
class LogWriter
{
public:
    using ProblemReport = std::function<void(const QString &reason)>;

    LogWriter(const QString &folder, QDate today, ProblemReport report);
    ~LogWriter(); // writes everything queued before it returns

    void enqueue(LogEntry entry);
    void waitUntilWritten();

private:
    void run(QDate today);
    void removeOldFiles(QDate today);
    void write(const LogEntry &entry);
    bool openFileOf(QDate day);
    void closeFile();
    void fail(int error, const QString &path);

    const QString m_folder;
    const ProblemReport m_report;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    std::vector<LogEntry> m_queue;
    std::uint64_t m_queued = 0;
    std::uint64_t m_done = 0;
    bool m_stopping = false;

    // The writing thread's own.
    int m_fd = -1;
    QDate m_day;
    bool m_reported = false;

    std::thread m_thread; // last, so it starts when everything above is ready
};

} // namespace zentrel
