#include "files.h"
#include "rows.h"
#include "settings/settingsfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentrel;

namespace {

QByteArray crlf(std::initializer_list<const char *> lines)
{
    QByteArray out;
    for (const char *line : lines)
        out += QByteArray(line) + "\r\n";
    return out;
}

const QByteArray Complete = crlf(
    { "\"Setting DATA", " 500:interval of one second", " 2:moving minutes", "30:moving seconds",
      " 3:reading minutes", " 4:reading seconds", "10:examination minutes",
      " 5:examination seconds", " 6:feedback minutes", " 7:feedback seconds", "end", "", "\"" });
const PhaseLengths Lengths { 2, 30, 3, 4, 10, 5, 6, 7 };
const ClockSettings CompleteSettings { 500, Lengths };

// Complete, with line `n` (0-based) replaced.
QByteArray completeWith(int n, const QByteArray &line)
{
    QList<QByteArray> lines = Complete.split('\n');
    lines[n] = line + '\r';
    return lines.join('\n');
}

// Fails once `failAt` bytes are read, as a disk read error part-way through would.
struct FailingDevice : QBuffer
{
    qint64 readData(char *data, qint64 max) override
    {
        return pos() < failAt ? QBuffer::readData(data, std::min(max, failAt - pos())) : -1;
    }
    qint64 failAt = 0;
};

struct Read
{
    const char *name;
    QByteArray bytes;
    SettingsReadOutcome outcome;
    ClockSettings settings;
    qint64 failAt = 1 << 20;
};

} // namespace

Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(zentrel::SaveProblem)

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void reads_data()
    {
        using O = SettingsReadOutcome;
        // clang-format off
        const Read rows[] = {
            { "a read failing part-way changes nothing", Complete, O::Incomplete, {}, 60 },
            { "read by place", crlf({ "x", "  50", " 3", "-5" }), O::Incomplete, { 50, { 3, -5, 1, 0, 5, 0, 1, 0 } } },
            { "END", completeWith(10, "END"), O::EndMissing, CompleteSettings },
            { "endless", completeWith(10, "endless"), O::Complete, CompleteSettings },
            { "LF line ends", QByteArray(Complete).replace("\r\n", "\n"), O::Incomplete, {} },
            { "lone CR line ends", QByteArray(Complete).replace("\r\n", "\r"), O::Complete, CompleteSettings },
            // The title's CR ends the reader's first 4096-byte buffer.
            { "CR LF split across the read buffer", completeWith(0, QByteArray(4095, 't')), O::Complete, CompleteSettings },
            { "interval 0 falls back to 999", completeWith(1, "   0"), O::Complete, { 999, Lengths } },
            { "letters", completeWith(2, "ab"), O::Incomplete, { 500, { 1, 30, 3, 4, 10, 5, 6, 7 } } },
        };
        // clang-format on
        addRows(rows);
    }

    void reads()
    {
        QFETCH(Read, row);
        FailingDevice device;
        device.failAt = row.failAt;
        device.setData(row.bytes);
        QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const SettingsRead read = readSettings(device);
        QCOMPARE(read.outcome, row.outcome);
        QCOMPARE(read.settings, row.settings);
    }

    // The file the reader found is replaced, whatever its letter case, byte for byte.
    void writesOverTheFileFound()
    {
        QTemporaryDir dir;
        QCOMPARE(SettingsFile(dir.path()).read().outcome, SettingsReadOutcome::NotFound);
        writeFile(dir.filePath("SETTING.TXT"), completeWith(1, " 321"));
        SettingsFile upper(dir.path());
        QCOMPARE(upper.read().settings.TickIntervalMs, 321);
        QCOMPARE(upper.write(CompleteSettings).status, SaveStatus::Saved);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "SETTING.TXT" });
        QCOMPARE(readFile(dir.filePath("SETTING.TXT")), Complete);
        writeFile(dir.filePath("setting.txt"), completeWith(1, " 321"));
        QCOMPARE(SettingsFile(dir.path()).read().settings.TickIntervalMs,
                 321); // the exact name wins
        QVERIFY(rewritesInPlace(EPERM)); // a folder made immutable (chattr +i) refuses so
    }

    // Saves that fail keep the old file whole and name the reason for the operator. Only where
    // the folder refuses new files but the file may be written is it rewritten in place.
    void saves_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<SaveProblem>("problem");
        QTest::newRow("a full disk (a file-size limit)") << "limit" << SaveProblem::DiskFull;
        QTest::newRow("the folder has gone") << "gone" << SaveProblem::FolderMissing;
        QTest::newRow("only the file is writable") << "nobody" << SaveProblem::None;
    }

    void saves()
    {
        QFETCH(QString, how);
        QFETCH(SaveProblem, problem);

        QTemporaryDir dir;
        const QString path = dir.filePath("setting.txt");
        writeFile(path, Complete);
        SettingsFile file(how == "gone" ? dir.filePath("gone") : dir.path());
        file.read();
        if (how == "nobody") {
            if (geteuid() != 0)
                QSKIP("needs root to become another user"); // root may write anywhere
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        }
        // In a child, which may lose its rights and its room on disk for good.
        const pid_t child = fork();
        if (child == 0) {
            if (how == "nobody" && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(99);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small { 100, 100 };
            if (how == "limit" && setrlimit(RLIMIT_FSIZE, &small) != 0)
                _exit(99);
            const SaveResult result = file.write(ClockSettings {});
            _exit(result.problem != SaveProblem::None && result.reason.isEmpty()
                      ? 98
                      : int(result.problem));
        }
        int status = -1;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(SaveProblem(WEXITSTATUS(status)), problem);
        QCOMPARE(readFile(path), problem == SaveProblem::None ? settingsFileBytes({}) : Complete);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
