#include "settingsfile.h"

#include "clock/numbertext.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {
constexpr const char *Labels[]
    = { ":moving minutes",      ":moving seconds",      ":reading minutes",  ":reading seconds",
        ":examination minutes", ":examination seconds", ":feedback minutes", ":feedback seconds" };
constexpr int IntervalWidth = 4;
constexpr int LengthWidth = 2;
constexpr qsizetype MaxKeptLine = 64 * 1024; // only the first few characters matter

// Lines as the file has always been read: CR LF or a lone CR ends a line; a lone LF is
// part of the line.
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
        m_buffer.resize(4096);
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
} // namespace

SettingsFile::SettingsFile(const QString &folder)
    : m_folder(folder)
{ }

QString SettingsFile::lookUp() const
{
    const QDir dir(m_folder);
    const QString exact = dir.filePath(QString::fromLatin1(SettingsFileName));
    if (QFileInfo(exact).isFile())
        return exact;
    // Files carried over from other systems may be named in capitals.
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &info : files) {
        if (info.fileName().compare(QLatin1String(SettingsFileName), Qt::CaseInsensitive) == 0)
            return info.filePath();
    }
    return {};
}

SettingsReadOutcome SettingsFile::ReadSettingsFile(ClockState &state)
{
    m_foundPath = lookUp();
    if (m_foundPath.isEmpty())
        return SettingsReadOutcome::NotFound;
    QFile file(m_foundPath);
    if (!file.open(QIODevice::ReadOnly))
        return SettingsReadOutcome::Incomplete;
    return readSettings(file, state, LineBuffer);
}

SettingsReadOutcome readStartUpValues(SettingsFile &file, ClockState &state)
{
    state.TickIntervalMs = DefaultTickIntervalMs;
    state.PhaseDurations = DefaultPhaseDurations;
    const SettingsReadOutcome outcome = file.ReadSettingsFile(state);
    if (state.TickIntervalMs <= 0)
        state.TickIntervalMs = DefaultTickIntervalMs;
    return outcome;
}

SettingsReadOutcome readSettings(QIODevice &device, ClockState &state, QByteArray &lineBuffer)
{
    // Values go into a copy first, so that a read that fails half-way changes nothing.
    ClockState read = state;
    LineReader lines(device);
    bool allFieldsRead = true;
    if (!lines.atEnd())
        lineBuffer = lines.readLine(); // title, unchecked
    if (!lines.atEnd()) {
        lineBuffer = lines.readLine();
        allFieldsRead &= takeField(lineBuffer, IntervalWidth, read.TickIntervalMs);
    }
    for (std::int16_t &length : read.PhaseDurations) {
        if (!lines.atEnd()) {
            lineBuffer = lines.readLine();
            allFieldsRead &= takeField(lineBuffer, LengthWidth, length);
        }
    }
    SettingsReadOutcome outcome = SettingsReadOutcome::Incomplete;
    if (!lines.atEnd()) {
        lineBuffer = lines.readLine();
        if (allFieldsRead)
            outcome = lineBuffer.startsWith("end") ? SettingsReadOutcome::Complete
                                                   : SettingsReadOutcome::EndMissing;
    }
    if (lines.failed())
        return SettingsReadOutcome::Incomplete;
    state.TickIntervalMs = read.TickIntervalMs;
    state.PhaseDurations = read.PhaseDurations;
    return outcome;
}

QByteArray settingsFileBytes(const ClockState &state, QByteArray &lineBuffer)
{
    lineBuffer = "Setting DATA\r\n";
    lineBuffer += field(state.TickIntervalMs, IntervalWidth) + ":interval of one second\r\n";
    for (std::size_t i = 0; i < state.PhaseDurations.size(); ++i)
        lineBuffer += field(state.PhaseDurations[i], LengthWidth) + Labels[i] + "\r\n";
    lineBuffer += "end\r\n\r\n";
    return '"' + lineBuffer + "\"\r\n";
}

SaveResult SettingsFile::WriteSettingsFile(const ClockState &state)
{
    SaveResult result;
    // Replace the file the reader found, so no second one appears beside "SETTING.TXT".
    result.path = m_foundPath.isEmpty()
        ? QDir(m_folder).filePath(QString::fromLatin1(SettingsFileName))
        : m_foundPath;
    const QByteArray bytes = settingsFileBytes(state, LineBuffer);
    QSaveFile file(result.path);
    // commit() alone renames a short file into place after a partial write (a full disk):
    // the flush and the size are checked first, and a short file is thrown away.
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
        && file.flush() && file.size() == bytes.size();
    if (!written) {
        result.reason = file.errorString();
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.reason = file.errorString();
        return result;
    }
    result.status = SaveStatus::Saved;
    m_foundPath = result.path;
    return result;
}
