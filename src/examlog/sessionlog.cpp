#include "examlog/sessionlog.h"

#include "examlog/logwriter.h"

#include <QDir>
#include <cstdio>

namespace zentrel {

SessionLog::SessionLog(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
    m_writer = std::make_unique<LogWriter>(
        m_folder, QDate::currentDate(), [this](const QString &reason) {
            std::fprintf(stderr, "zentrel-timer: %s\n", qPrintable(reason));
            QMetaObject::invokeMethod(
                this, [this, reason] { Q_EMIT unwritable(reason); }, Qt::QueuedConnection);
        });
}

SessionLog::~SessionLog() = default;

QString SessionLog::defaultFolder()
{
    // QStandardPaths has no state location before Qt 6.7.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base
        = QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/zentrel-timer");
}

void SessionLog::record(SessionEvent event, const ShownCount &shown, const QString &detail)
{
    m_writer->enqueue({ QDateTime::currentMSecsSinceEpoch(), event, shown.phase, shown.minutes,
                        shown.seconds, detail });
}

void SessionLog::record(const QDateTime &when, SessionEvent event, const ShownCount &shown,
                        const QString &detail)
{
    m_writer->enqueue(
        { when.toMSecsSinceEpoch(), event, shown.phase, shown.minutes, shown.seconds, detail });
}

void SessionLog::waitUntilWritten()
{
    m_writer->waitUntilWritten();
}

} // namespace zentrel
