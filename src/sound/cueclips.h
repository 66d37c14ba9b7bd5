#pragma once

#include "pcmclip.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <memory>

namespace zentrel {

// The cues decoded ahead, by file name, so that playing one never waits for the disk. A
// worker thread decodes each at start-up and again whenever the file it comes from changes:
// the current folder and its cue files are watched, and clip() compares size and time.
class CueClips : public QObject
{
    Q_OBJECT

public:
    CueClips(PcmFormat format, const QStringList &names, QObject *parent = nullptr);

    // The clip last decoded for `name`; null when it cannot be found or decoded, or is not
    // decoded yet. Never waits: a changed file is decoded afterwards for a later call.
    std::shared_ptr<const PcmClip> clip(const QString &name);

private:
    // Which file, and which version of it.
    struct Stamp
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        friend bool operator==(const Stamp &, const Stamp &) = default;
    };
    struct Entry
    {
        Stamp decoded;
        Stamp pending; // being decoded now
        std::shared_ptr<const PcmClip> clip;
    };

    void refresh(const QString &name);
    void refreshAll();
    void finish(const QString &name, const Stamp &stamp, std::shared_ptr<const PcmClip> clip);
    void watch(const QString &path);

    PcmFormat m_format;
    QHash<QString, Entry> m_entries;
    QFileSystemWatcher m_watcher;
    QTimer m_settle; // a file being copied in changes many times
    QThreadPool m_worker; // last, so it is gone (the decode under way done) before the rest
};

} // namespace zentrel
