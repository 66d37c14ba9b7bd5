#include "settingsfile.h"

#include "clock/numbertext.h"
#include "clock/phases.h"
#include "files/folderfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace zentrel {
namespace {
// Only the first characters of a line are read: the interval's, then each length's.
constexpr int IntervalWidth = 4;
constexpr int LengthWidth = 2;
constexpr qsizetype MaxKeptLine = 64 * 1024; // only the first few characters matter
constexpr qsizetype ReadChunk = 4096; // bytes the reader asks the device for at once
constexpr const char *EndMark = "end"; // what the line after the lengths begins with
constexpr std::int16_t LeastTickMs = 1; // a shorter tick period falls back to the default

// CR LF or a lone CR ends a line; a lone LF is part of the line.
class LineReader
{
public:
    explicit LineReader(QIODevice &device)
        : m_device(device)
    { }

    bool atEnd() { return !fill(); }
    bool failed() const { return m_failed; }

    QByteArray readLine()
    {
        QByteArray line;
        while (fill()) {
            const char c = m_buffer[m_at++];
            if (c == '\r') {
                if (fill() && m_buffer[m_at] == '\n')
                    ++m_at;
                break;
            }
            if (line.size() < MaxKeptLine)
                line += c;
        }
        return line;
    }

private:
    bool fill()
    {
        if (m_at < m_buffer.size())
            return true;
        if (m_failed)
            return false;
        m_buffer.resize(ReadChunk);
        const qint64 got = m_device.read(m_buffer.data(), m_buffer.size());
        m_failed = got < 0;
        m_buffer.resize(got > 0 ? got : 0);
        m_at = 0;
        return got > 0;
    }

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    bool m_failed = false;
};

bool takeField(const QByteArray &line, int width, std::int16_t &into)
{
    const auto value = parseWholeNumber(QString::fromLatin1(line.left(width)));
    if (value)
        into = *value;
    return value.has_value();
}

QByteArray field(int value, int width)
{
    return QByteArray::number(value).rightJustified(width, ' ');
}

SaveProblem problemOf(int error, const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return SaveProblem::FolderMissing;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return SaveProblem::DiskFull;
    case EACCES:
    case EPERM:
        return SaveProblem::NoPermission;
    case EROFS:
        return SaveProblem::ReadOnlyDrive;
    case ENOENT:
    case ENOTDIR:
        return SaveProblem::FolderMissing;
    default:
        return SaveProblem::Other;
    }
}

// All the bytes, checked: the count written, the flush and the size on disk.
bool writeWhole(QFileDevice &file, const QByteArray &bytes)
{
    return file.write(bytes) == bytes.size() && file.flush() && file.size() == bytes.size();
}

QByteArray lengthLabel(std::size_t slot)
{
    return QByteArray(":") + phaseOfSlot(slot).fileName
        + (isMinutesSlot(slot) ? " minutes" : " seconds");
}
} // namespace

SettingsFile::SettingsFile(const QString &folder)
    : m_folder(folder)
{ }

SettingsRead SettingsFile::read()
{
    m_foundPath = findIgnoringCase(QDir(m_folder), QString::fromLatin1(SettingsFileName));
    if (m_foundPath.isEmpty())
        return {};
    QFile file(m_foundPath);
    if (!file.open(QIODevice::ReadOnly))
        return { SettingsReadOutcome::Incomplete, {} };
    return readSettings(file);
}

SettingsRead readSettings(QIODevice &device)
{
    ClockSettings read;
    LineReader lines(device);
    bool allFieldsRead = true;
    if (!lines.atEnd())
        lines.readLine(); // the title, unchecked
    if (!lines.atEnd())
        allFieldsRead &= takeField(lines.readLine(), IntervalWidth, read.TickIntervalMs);
    for (std::int16_t &length : read.PhaseDurations) {
        if (!lines.atEnd())
            allFieldsRead &= takeField(lines.readLine(), LengthWidth, length);
    }
    SettingsReadOutcome outcome = SettingsReadOutcome::Incomplete;
    if (!lines.atEnd()) {
        const QByteArray last = lines.readLine();
        if (allFieldsRead)
            outcome = last.startsWith(EndMark) ? SettingsReadOutcome::Complete
                                               : SettingsReadOutcome::EndMissing;
    }
    // A read that fails part-way changes nothing.
    if (lines.failed())
        return { SettingsReadOutcome::Incomplete, {} };
    if (read.TickIntervalMs < LeastTickMs)
        read.TickIntervalMs = ClockSettings {}.TickIntervalMs;
    return { outcome, read };
}

QByteArray settingsFileBytes(const ClockSettings &settings)
{
    QByteArray bytes = "\"Setting DATA\r\n";
    bytes += field(settings.TickIntervalMs, IntervalWidth) + ":interval of one second\r\n";
    for (std::size_t i = 0; i < settings.PhaseDurations.size(); ++i)
        bytes += field(settings.PhaseDurations[i], LengthWidth) + lengthLabel(i) + "\r\n";
    return bytes + EndMark + "\r\n\r\n\"\r\n";
}

SaveResult SettingsFile::write(const ClockSettings &settings)
{
    SaveResult result;
    // Replace the file the reader found, so no second one appears beside "SETTING.TXT".
    result.path = m_foundPath.isEmpty()
        ? QDir(m_folder).filePath(QString::fromLatin1(SettingsFileName))
        : m_foundPath;
    const QByteArray bytes = settingsFileBytes(settings);
    // QSaveFile's own fallback to writing in place (setDirectWriteFallback) is taken for
    // EACCES only; the choice is made here instead, so that EPERM takes it too.
    QSaveFile file(result.path);
    QFile direct(result.path);
    QFileDevice *failed = nullptr;
    errno = 0;
    if (file.open(QIODevice::WriteOnly)) {
        // commit() alone renames a short file into place after a partial write (a full
        // disk): the bytes are checked first, and a short file is thrown away.
        if (!writeWhole(file, bytes) || !file.commit())
            failed = &file;
    } else if (rewritesInPlace(errno)) {
        errno = 0;
        const bool written = direct.open(QIODevice::WriteOnly) && writeWhole(direct, bytes);
        if (written) {
            ::fsync(direct.handle()); // as QSaveFile's commit does, errors ignored as there
            direct.close();
        }
        if (!written || direct.error() != QFileDevice::NoError)
            failed = &direct;
    } else {
        failed = &file;
    }
    if (failed) {
        result.problem = problemOf(errno, m_folder);
        result.reason = failed->errorString();
        file.cancelWriting();
        return result;
    }
    result.status = SaveStatus::Saved;
    result.problem = SaveProblem::None;
    m_foundPath = result.path;
    return result;
}

bool rewritesInPlace(int createError)
{
    return createError == EACCES || createError == EPERM;
}

BoxLengths readLengthBoxes(const LengthTexts &boxes)
{
    BoxLengths read;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto value = parseWholeNumber(boxes[i]);
        if (!value) {
            read.badBox = int(i);
            return read;
        }
        read.lengths[i] = *value;
    }
    return read;
}

} // namespace zentrel
