#include "statekeeper.h"

#include "clock/examclock.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

namespace zentrel {
QString keptStateFile(const QString &examFolder, const QString &stateFolder)
{
    QFileInfo folder(examFolder);
    const QString key = folder.canonicalFilePath().isEmpty() ? folder.absoluteFilePath()
                                                             : folder.canonicalFilePath();
    const QByteArray hash
        = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QDir(stateFolder).filePath(QStringLiteral("restart-%1.json").arg(QLatin1String(hash)));
}

StateKeeper::StateKeeper(const QString &examFolder, const QString &stateFolder, QObject *parent)
    : QObject(parent)
    , m_path(keptStateFile(examFolder, stateFolder))
    , m_lock(m_path + QStringLiteral(".lock"))
{
    QDir().mkpath(stateFolder);
    m_lock.setStaleLockTime(0); // stale only when its process is gone
    if (!m_lock.tryLock(0))
        return;
    m_writer = std::make_unique<StateWriter>(m_path);
    m_rewrite.setInterval(RewriteMs);
    connect(&m_rewrite, &QTimer::timeout, this, [this] {
        if (m_clock && m_kept)
            keep(m_clock->state());
    });
}

std::optional<KeptState> StateKeeper::found() const
{
    QFile file(m_path);
    std::error_code error; // a FIFO would block the start
    if (!owned()
        || !std::filesystem::is_regular_file(QFile::encodeName(m_path).toStdString(), error)
        || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const KeptRead read = decodeKeptState(file.read(MaxKeptStateBytes + 1));
    if (!read.kept)
        std::fprintf(stderr,
                     "zentrel-timer: 前回の状態を無視します / restart state ignored (%s): %s\n",
                     qUtf8Printable(read.fault), qUtf8Printable(m_path));
    return read.kept;
}

void StateKeeper::watch(const ExamClock &clock)
{
    if (!owned() || m_clock)
        return;
    m_clock = &clock;
    m_rewrite.start();
    connect(&clock, &ExamClock::changed, this, [this](const ClockChange &change) {
        if (change.operatingState() == OperatingState::Idle) {
            if (std::exchange(m_kept, false))
                m_writer->remove();
        } else if (change.cause != ClockCause::Tick || !change.entered.isEmpty() || !m_kept) {
            keep(change.state);
        }
    });
}

void StateKeeper::discard()
{
    if (owned())
        m_writer->remove();
}

void StateKeeper::finish(AtEnd atEnd)
{
    if (!owned())
        return;
    m_rewrite.stop();
    if (atEnd == AtEnd::Remove)
        m_writer->remove();
    else if (m_kept && m_clock)
        keep(m_clock->state());
    m_writer.reset(); // done before the lock goes
    m_lock.unlock();
}

void StateKeeper::keep(const ClockState &state)
{
    m_kept = true;
    m_writer->write(encodeKeptState(
        { state, QDateTime::currentMSecsSinceEpoch(), bootTimeMs(), currentBootId() }));
}

} // namespace zentrel
