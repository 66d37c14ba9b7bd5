#include "settings/settingsfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentrel;

using Values = std::array<int, 9>; // interval, then the eight lengths
using Boxes = std::array<QString, 8>;
Q_DECLARE_METATYPE(Values)
Q_DECLARE_METATYPE(Boxes)
Q_DECLARE_METATYPE(zentrel::SettingsReadOutcome)
Q_DECLARE_METATYPE(zentrel::SaveProblem)

namespace {
const Values Defaults { 999, 1, 0, 1, 0, 5, 0, 1, 0 };

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
const Values CompleteValues { 500, 2, 30, 3, 4, 10, 5, 6, 7 };

// Complete, with line `n` (0-based) replaced.
QByteArray completeWith(int n, const QByteArray &line)
{
    QList<QByteArray> lines = Complete.split('\n');
    lines[n] = line + '\r';
    return lines.join('\n');
}

Values valuesOf(const ClockSettings &s)
{
    Values v { s.TickIntervalMs };
    std::copy(s.PhaseDurations.begin(), s.PhaseDurations.end(), v.begin() + 1);
    return v;
}

ClockSettings settingsOf(const Values &v)
{
    ClockSettings s { std::int16_t(v[0]), {} };
    std::copy(v.begin() + 1, v.end(), s.PhaseDurations.begin());
    return s;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Gives its bytes, then fails, as a disk read error part-way through would.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        if (m_bytes.isEmpty())
            return -1;
        const qint64 n = std::min<qint64>(max, m_bytes.size());
        std::memcpy(data, m_bytes.constData(), size_t(n));
        m_bytes.remove(0, n);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
};
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void readFailingPartWayChangesNothing();
    void exactNameWinsAndIsReplaced();
    void writesTheFileByteForByte();
    void saveFailures_data();
    void saveFailures();
    void inPlaceWhereOnlyTheFileIsWritable();
    void lengthBoxesAtExit_data();
    void lengthBoxesAtExit();
};

void SettingsTest::reads_data()
{
    QTest::addColumn<QString>("fileName"); // empty: no file at all
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<SettingsReadOutcome>("outcome");
    QTest::addColumn<Values>("values");

    using O = SettingsReadOutcome;
    const QString name = QStringLiteral("setting.txt");
    auto v = [](std::initializer_list<int> l) {
        Values out = Defaults;
        std::copy(l.begin(), l.end(), out.begin());
        return out;
    };
    // A title line that ends the reader's first 4096-byte buffer with its CR.
    const QByteArray longTitle = QByteArray(4095, 't');

    QTest::newRow("no file") << QString() << QByteArray() << O::NotFound << Defaults;
    QTest::newRow("complete") << name << Complete << O::Complete << CompleteValues;
    QTest::newRow("capital name") << "SETTING.TXT" << Complete << O::Complete << CompleteValues;
    QTest::newRow("first four lines")
        << name << crlf({ "x", " 700:i", " 3:m", "15:s" }) << O::Incomplete << v({ 700, 3, 15 });
    QTest::newRow("ten lines, no end")
        << name << Complete.left(Complete.indexOf("end")) << O::Incomplete << CompleteValues;
    QTest::newRow("END") << name << completeWith(10, "END") << O::EndMissing << CompleteValues;
    QTest::newRow("endless") << name << completeWith(10, "endless") << O::Complete
                             << CompleteValues;
    QTest::newRow("LF line ends") << name << QByteArray(Complete).replace("\r\n", "\n")
                                  << O::Incomplete << Defaults;
    QTest::newRow("lone CR line ends")
        << name << QByteArray(Complete).replace("\r\n", "\r") << O::Complete << CompleteValues;
    QTest::newRow("CR LF split across the read buffer")
        << name << completeWith(0, longTitle) << O::Complete << CompleteValues;
    QTest::newRow("swapped lines are read by position")
        << name
        << crlf({ "t", " 999:i", " 0:moving seconds", " 1:moving minutes", " 1", " 0", " 5", " 0",
                  " 1", " 0", "end" })
        << O::Complete << Values { 999, 0, 1, 1, 0, 5, 0, 1, 0 };
    QTest::newRow("120 reads as 12") << name << completeWith(3, "120:reading minutes")
                                     << O::Complete << Values { 500, 2, 12, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("five-digit interval reads as four")
        << name << completeWith(1, "12345:interval") << O::Complete
        << Values { 1234, 2, 30, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("interval 0 falls back to 999")
        << name << completeWith(1, "   0:interval") << O::Complete
        << Values { 999, 2, 30, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("interval 50 and a negative length are kept")
        << name << completeWith(1, "  50").replace("30:moving", "-3:moving") << O::Complete
        << Values { 50, 2, -3, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("letters") << name << completeWith(1, "abcd:interval") << O::Incomplete
                             << Values { 999, 2, 30, 3, 4, 10, 5, 6, 7 };
}

void SettingsTest::reads()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(SettingsReadOutcome, outcome);
    QFETCH(Values, values);

    QTemporaryDir dir;
    if (!fileName.isEmpty())
        writeFile(dir.filePath(fileName), bytes);
    const SettingsRead read = SettingsFile(dir.path()).read();
    QCOMPARE(read.outcome, outcome);
    QCOMPARE(valuesOf(read.settings), values);
}

void SettingsTest::readFailingPartWayChangesNothing()
{
    FailingDevice device(Complete.left(60));
    const SettingsRead read = readSettings(device);
    QCOMPARE(read.outcome, SettingsReadOutcome::Incomplete);
    QCOMPARE(valuesOf(read.settings), Defaults);
}

void SettingsTest::exactNameWinsAndIsReplaced()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("SETTING.TXT")), Complete);
    SettingsFile upper(dir.path());
    QCOMPARE(upper.read().outcome, SettingsReadOutcome::Complete);
    QCOMPARE(upper.write(settingsOf(Defaults)).status, SaveStatus::Saved);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "SETTING.TXT" });
    QCOMPARE(valuesOf(upper.read().settings), Defaults);

    writeFile(dir.filePath(QStringLiteral("setting.txt")), completeWith(1, " 321"));
    QCOMPARE(SettingsFile(dir.path()).read().settings.TickIntervalMs, 321);
}

void SettingsTest::writesTheFileByteForByte()
{
    QTemporaryDir dir;
    SettingsFile file(dir.path());
    const SaveResult result = file.write(settingsOf(Defaults));
    QCOMPARE(result.status, SaveStatus::Saved);
    QCOMPARE(result.path, dir.filePath(QStringLiteral("setting.txt")));
    const QByteArray expected
        = crlf({ "\"Setting DATA", " 999:interval of one second", " 1:moving minutes",
                 " 0:moving seconds", " 1:reading minutes", " 0:reading seconds",
                 " 5:examination minutes", " 0:examination seconds", " 1:feedback minutes",
                 " 0:feedback seconds", "end", "", "\"" });
    QCOMPARE(expected.size(), 222);
    QCOMPARE(readFile(result.path), expected);

    // Wider numbers are written whole.
    const QByteArray wide = settingsFileBytes(settingsOf({ 12345, 120, -10, 0, 0, 0, 0, 0, 0 }));
    QVERIFY(wide.contains("\r\n12345:interval of one second\r\n"));
    QVERIFY(wide.contains("\r\n120:moving minutes\r\n-10:moving seconds\r\n"));
}

// Saves that fail: the old file stays whole, and the reason is named for the operator.
void SettingsTest::saveFailures_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<SaveProblem>("problem");

    QTest::newRow("a full disk (a file-size limit)") << "limit" << SaveProblem::DiskFull;
    QTest::newRow("the folder has gone") << "gone" << SaveProblem::FolderMissing;
    QTest::newRow("a folder of that name") << "folder" << SaveProblem::Other;
}

void SettingsTest::saveFailures()
{
    QFETCH(QString, how);
    QFETCH(SaveProblem, problem);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setting.txt"));
    if (how == "folder")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("setting.txt")));
    else
        writeFile(path, Complete);
    SettingsFile file(how == "gone" ? dir.filePath(QStringLiteral("gone")) : dir.path());
    file.read();

    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = how == "limit" ? 100 : old.rlim_cur;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult result = file.write(settingsOf(Defaults));
    setrlimit(RLIMIT_FSIZE, &old);

    QCOMPARE(result.status, SaveStatus::Failed);
    QCOMPARE(result.problem, problem);
    QVERIFY(!result.reason.isEmpty());
    if (how != "folder")
        QCOMPARE(readFile(path), Complete);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList { "setting.txt" });
}

// A folder the operator may not write to, holding a setting.txt the operator may write:
// the file is rewritten in place. Run as an unprivileged user in a child, since root may
// write anywhere.
void SettingsTest::inPlaceWhereOnlyTheFileIsWritable()
{
    if (geteuid() != 0)
        QSKIP("needs root to become another user");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setting.txt"));
    writeFile(path, Complete);
    QVERIFY(QFile::setPermissions(path,
                                  QFileDevice::ReadOther | QFileDevice::WriteOther
                                      | QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(dir.path(),
                                  QFileDevice::ReadOther | QFileDevice::ExeOther
                                      | QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner));
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        SettingsFile file(dir.path());
        file.read();
        _exit(file.write(settingsOf(Defaults)).status == SaveStatus::Saved ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readFile(path), settingsFileBytes(settingsOf(Defaults)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "setting.txt" });
}

void SettingsTest::lengthBoxesAtExit_data()
{
    QTest::addColumn<Boxes>("boxes");
    QTest::addColumn<int>("badBox");
    QTest::addColumn<int>("firstLength");

    auto first = [](const char *text) {
        return Boxes { QString::fromUtf8(text), "0", "1", "0", "5", "0", "1", "0" };
    };
    QTest::newRow("75 is kept, no range check") << first(" 75 ") << -1 << 75;
    QTest::newRow("-32768 fits") << first("-32768") << -1 << -32768;
    QTest::newRow("full-width plus and 9") << first("＋９") << -1 << 9;
    QTest::newRow("minus sign U+2212") << first("−3") << -1 << -3;
    QTest::newRow("99999 does not fit") << first("99999") << 0 << 0;
    QTest::newRow("32768 does not fit") << first("32768") << 0 << 0;
    QTest::newRow("a fraction") << first("1.5") << 0 << 0;
    QTest::newRow("empty") << first("") << 0 << 0;
    QTest::newRow("the last box") << Boxes { "1", "0", "1", "0", "5", "0", "1", "x" } << 7 << 1;
}

void SettingsTest::lengthBoxesAtExit()
{
    QFETCH(Boxes, boxes);
    QFETCH(int, badBox);
    QFETCH(int, firstLength);

    const BoxLengths read = readLengthBoxes(boxes);
    QCOMPARE(read.badBox, badBox);
    QCOMPARE(read.lengths[0], firstLength);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
