#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace zentrel {

// Replaces or removes one small file on a thread of its own, so that no tick waits for a
// disk: each write goes through QSaveFile, then the folder is synced too, so that a power
// cut leaves the old file or the new one. Only the latest request matters: one that comes
// while another waits replaces it.
class StateWriter
{
public:
    explicit StateWriter(const QString &path);
    ~StateWriter(); // carries out the request waiting, if any

    void write(const QByteArray &bytes);
    void remove();
    void waitUntilDone(); // every request so far carried out

private:
    void run();
    void carryOut(const std::optional<QByteArray> &bytes); // none: remove

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    bool m_waiting = false; // a request waits
    bool m_busy = false;
    std::optional<QByteArray> m_request; // none: remove
    bool m_stopping = false;
    std::thread m_thread; // last: starts when everything above is ready
};

} // namespace zentrel
