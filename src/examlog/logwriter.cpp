#include "examlog/logwriter.h"

#include "examlog/csvrow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zentrel {

namespace {
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

QString whyUnwritable(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("ディスクに空きがありません");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("書き込みが許可されていません");
    case ENOTDIR:
    case EEXIST:
        return QStringLiteral("フォルダーを作れません");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
} // namespace

LogWriter::LogWriter(const QString &folder, QDate today, ProblemReport report)
    : m_folder(folder)
    , m_report(std::move(report))
    , m_thread([this, today] { run(today); })
{ }

LogWriter::~LogWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    closeFile();
}

void LogWriter::enqueue(LogEntry entry)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(entry));
        ++m_queued;
    }
    m_wake.notify_one();
}

void LogWriter::waitUntilWritten()
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t target = m_queued;
    m_written.wait(lock, [&] { return m_done >= target; });
}

void LogWriter::run(QDate today)
{
    removeOldFiles(today);
    std::vector<LogEntry> batch;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, and all written
            batch.swap(m_queue);
        }
        for (const LogEntry &entry : batch)
            write(entry);
        if (m_fd >= 0)
            ::fdatasync(m_fd); // an appeal may follow a power cut
        {
            std::lock_guard lock(m_mutex);
            m_done += batch.size();
        }
        batch.clear();
        m_written.notify_all();
    }
}

QStringList logFilesToRemove(const QStringList &names, QDate today)
{
    QDate newest;
    for (const QString &name : names) {
        const std::optional<QDate> day = logFileDate(name);
        if (day && *day > today)
            return {};
        if (day && (!newest.isValid() || *day > newest))
            newest = *day;
    }
    const QDate oldestKept = newest.addDays(-LogKeptDays);
    QStringList old;
    for (const QString &name : names) {
        const std::optional<QDate> day = logFileDate(name);
        if (day && *day < oldestKept && *day != today)
            old << name;
    }
    return old;
}

void LogWriter::removeOldFiles(QDate today)
{
    QDir folder(m_folder);
    for (const QString &name : logFilesToRemove(folder.entryList(QDir::Files), today))
        folder.remove(name);
}

void LogWriter::write(const LogEntry &entry)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(entry.msecsSinceEpoch);
    if (!openFileOf(local.date()))
        return;
    const QByteArray bytes = csvRecord(
        { isoTimeWithOffset(local), eventName(entry.event), entry.phase,
          countText(entry.minutes, entry.seconds),
          detailFromOutside(entry.event) ? csvOutsideText(entry.detail) : entry.detail });
    const off_t before = ::lseek(m_fd, 0, SEEK_END);
    if (!writeAll(m_fd, bytes)) {
        const int error = errno;
        // Cut a half-written row off, so the file stays whole rows.
        [[maybe_unused]] const int cut = before >= 0 ? ::ftruncate(m_fd, before) : 0;
        fail(error, QDir(m_folder).filePath(logFileName(m_day)));
    }
}

bool LogWriter::openFileOf(QDate day)
{
    if (m_fd >= 0 && day == m_day)
        return true;
    closeFile(); // the day has turned over
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(m_folder).toStdString(), made);
    if (made) {
        fail(made.value(), m_folder);
        return false;
    }
    const QString path = QDir(m_folder).filePath(logFileName(day));
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail(errno, path);
        return false;
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) == 0 && status.st_size == 0 && !writeAll(fd, logFileHead())) {
        const int error = errno;
        [[maybe_unused]] const int cut = ::ftruncate(fd, 0); // a new file starts whole next time
        ::close(fd);
        fail(error, path);
        return false;
    }
    m_fd = fd;
    m_day = day;
    return true;
}

void LogWriter::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void LogWriter::fail(int error, const QString &path)
{
    if (m_reported)
        return;
    m_reported = true;
    m_report(QStringLiteral("ログを書き込めません（%1）: %2").arg(whyUnwritable(error), path));
}

} // namespace zentrel
