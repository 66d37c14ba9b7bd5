#include "statewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace zentrel {

StateWriter::StateWriter(const QString &path)
    : m_path(path)
    , m_thread([this] { run(); })
{ }

StateWriter::~StateWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void StateWriter::write(const QByteArray &bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_request = bytes;
        m_waiting = true;
    }
    m_wake.notify_one();
}

void StateWriter::remove()
{
    {
        std::lock_guard lock(m_mutex);
        m_request.reset();
        m_waiting = true;
    }
    m_wake.notify_one();
}

void StateWriter::waitUntilDone()
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_waiting && !m_busy; });
}

void StateWriter::run()
{
    for (;;) {
        std::optional<QByteArray> request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_waiting; });
            if (!m_waiting)
                return;
            request = std::exchange(m_request, std::nullopt);
            m_waiting = false;
            m_busy = true;
        }
        carryOut(request);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_done.notify_all();
    }
}

void StateWriter::carryOut(const std::optional<QByteArray> &bytes)
{
    if (bytes) {
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()
            || !file.commit()) {
            std::fprintf(stderr, "zentrel-timer: %s: %s\n", qUtf8Printable(m_path),
                         qUtf8Printable(file.errorString()));
            return;
        }
    } else if (!QFile::remove(m_path) && QFile::exists(m_path)) {
        return;
    }
    const int folder = ::open(QFile::encodeName(QFileInfo(m_path).path()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace zentrel
