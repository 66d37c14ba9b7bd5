#pragma once

#include "keptstate.h"
#include "statewriter.h"

#include <QLockFile>
#include <QObject>
#include <QTimer>

namespace zentrel {

class ExamClock;

enum class AtEnd { Remove, Keep };

// Where the exam folder's clock is kept.
QString keptStateFile(const QString &examFolder, const QString &stateFolder);

// Keeps this exam folder's clock on disk while a phase is on, so that the next start can
// ask where to go on after an abnormal end. One file per exam folder, named for a hash of
// its absolute path, in the given folder (the session log's). While another timer runs in
// the same exam folder it holds the file's lock, and this one leaves the file alone.
class StateKeeper : public QObject
{
    Q_OBJECT
public:
    StateKeeper(const QString &examFolder, const QString &stateFolder, QObject *parent = nullptr);

    bool owned() const { return m_lock.isLocked(); }
    QString path() const { return m_path; }
    // What the last run left, if it is readable; a file that is not is reported on
    // standard error and ignored.
    std::optional<KeptState> found() const;
    // From now on, rewritten on each command and phase change and twice a minute; removed
    // when the clock goes idle.
    void watch(const ExamClock &clock);
    void discard();
    // At the end of the program: an orderly end removes the file, an end by SIGHUP keeps
    // the clock as it is now.
    void finish(AtEnd atEnd);

    static constexpr int RewriteMs = 30'000;

private:
    void keep(const ClockState &state);

    QString m_path;
    QLockFile m_lock;
    const ExamClock *m_clock = nullptr;
    QTimer m_rewrite;
    bool m_kept = false; // a file of this run's is on disk
    std::unique_ptr<StateWriter> m_writer;
};

} // namespace zentrel
