#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using Values = std::array<int, 9>; // interval, then the eight lengths
Q_DECLARE_METATYPE(Values)
Q_DECLARE_METATYPE(SettingsReadOutcome)

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
QByteArray completeWith(int n, const char *line)
{
    QList<QByteArray> lines = Complete.split('\n');
    lines[n] = QByteArray(line) + '\r';
    return lines.join('\n');
}

Values valuesOf(const ClockState &s)
{
    Values v { s.TickIntervalMs };
    for (std::size_t i = 0; i < 8; ++i)
        v[i + 1] = s.PhaseDurations[i];
    return v;
}

ClockState stateOf(const Values &v)
{
    ClockState s;
    s.TickIntervalMs = std::int16_t(v[0]);
    for (std::size_t i = 0; i < 8; ++i)
        s.PhaseDurations[i] = std::int16_t(v[i + 1]);
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
} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void exactNameWinsAndIsReplaced();
    void writesTheWorkedExampleExactly();
    void widerNumbersAreWrittenWhole();
    void roundTrips();
    void failedSaveKeepsTheOldFile();
    void saveIntoAFolderOfThatName();
    void randomBytesGiveAnOutcome();
};

void SettingsFileTest::reads_data()
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

    QTest::newRow("no file") << QString() << QByteArray() << O::NotFound << Defaults;
    QTest::newRow("complete") << name << Complete << O::Complete << CompleteValues;
    QTest::newRow("capital name") << QStringLiteral("SETTING.TXT") << Complete << O::Complete
                                  << CompleteValues;
    QTest::newRow("empty file") << name << QByteArray("") << O::Incomplete << Defaults;
    QTest::newRow("title only") << name << crlf({ "\"Setting DATA" }) << O::Incomplete << Defaults;
    QTest::newRow("first four lines")
        << name << crlf({ "x", " 700:i", " 3:m", "15:s" }) << O::Incomplete << v({ 700, 3, 15 });
    QTest::newRow("ten lines, no end")
        << name << Complete.left(Complete.indexOf("end")) << O::Incomplete << CompleteValues;
    QTest::newRow("end without line break")
        << name << Complete.left(Complete.indexOf("end") + 3) << O::Complete << CompleteValues;
    QTest::newRow("END") << name << completeWith(10, "END") << O::EndMissing << CompleteValues;
    QTest::newRow("blank before end")
        << name << completeWith(10, " end") << O::EndMissing << CompleteValues;
    QTest::newRow("endless") << name << completeWith(10, "endless") << O::Complete
                             << CompleteValues;
    QTest::newRow("anything after end")
        << name << Complete + "garbage\r\n\x01\x02" << O::Complete << CompleteValues;
    QTest::newRow("LF line ends") << name << QByteArray(Complete).replace("\r\n", "\n")
                                  << O::Incomplete << Defaults;
    QTest::newRow("lone CR line ends")
        << name << QByteArray(Complete).replace("\r\n", "\r") << O::Complete << CompleteValues;
    QTest::newRow("byte-order mark on the title")
        << name << "\xEF\xBB\xBF" + Complete << O::Complete << CompleteValues;
    QTest::newRow("empty title line")
        << name << completeWith(0, "") << O::Complete << CompleteValues;
    QTest::newRow("swapped lines")
        << name
        << crlf({ "t", " 999:i", " 0:moving seconds", " 1:moving minutes", " 1", " 0", " 5", " 0",
                  " 1", " 0", "end" })
        << O::Complete << Values { 999, 0, 1, 1, 0, 5, 0, 1, 0 };
    QTest::newRow("120 reads as 12") << name << completeWith(3, "120:reading minutes")
                                     << O::Complete << Values { 500, 2, 12, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("five-digit interval") << name << completeWith(1, "12345:interval") << O::Complete
                                         << Values { 1234, 2, 30, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("no label, leading zero")
        << name << completeWith(2, " 7").replace("30:moving", "07:moving") << O::Complete
        << Values { 500, 7, 7, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("number then blank")
        << name << completeWith(4, "9 ") << O::Complete << Values { 500, 2, 30, 9, 4, 10, 5, 6, 7 };
    QTest::newRow("negative and zero")
        << name << completeWith(1, "  -5").replace("30:moving", "-3:moving") << O::Complete
        << Values { -5, 2, -3, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("7: without its blank")
        << name << completeWith(2, "7:moving minutes") << O::Incomplete
        << Values { 500, 1, 30, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("letters") << name << completeWith(1, "abcd:interval") << O::Incomplete
                             << Values { 999, 2, 30, 3, 4, 10, 5, 6, 7 };
    QTest::newRow("empty value line")
        << name << completeWith(5, "") << O::Incomplete << Values { 500, 2, 30, 3, 0, 10, 5, 6, 7 };
    QTest::newRow("bad field, no end either")
        << name << completeWith(10, "xx").replace(" 6:f", "x6:f") << O::Incomplete
        << Values { 500, 2, 30, 3, 4, 10, 5, 1, 7 };
    QTest::newRow("sign alone") << name << completeWith(9, "- :feedback seconds") << O::Incomplete
                                << Values { 500, 2, 30, 3, 4, 10, 5, 6, 0 };
}

void SettingsFileTest::reads()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(SettingsReadOutcome, outcome);
    QFETCH(Values, values);

    QTemporaryDir dir;
    if (!fileName.isEmpty())
        writeFile(dir.filePath(fileName), bytes);
    ClockState state;
    SettingsFile file(dir.path());
    QCOMPARE(file.ReadSettingsFile(state), outcome);
    QCOMPARE(valuesOf(state), values);
}

void SettingsFileTest::exactNameWinsAndIsReplaced()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("SETTING.TXT")), Complete);
    ClockState state;
    SettingsFile upper(dir.path());
    QCOMPARE(upper.ReadSettingsFile(state), SettingsReadOutcome::Complete);
    QCOMPARE(upper.WriteSettingsFile(stateOf(Defaults)).status, SaveStatus::Saved);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList { QStringLiteral("SETTING.TXT") });
    QCOMPARE(upper.ReadSettingsFile(state), SettingsReadOutcome::Complete);
    QCOMPARE(valuesOf(state), Defaults);

    writeFile(dir.filePath(QStringLiteral("setting.txt")), completeWith(1, " 321"));
    SettingsFile both(dir.path());
    QCOMPARE(both.ReadSettingsFile(state), SettingsReadOutcome::Complete);
    QCOMPARE(state.TickIntervalMs, 321);
}

void SettingsFileTest::writesTheWorkedExampleExactly()
{
    QTemporaryDir dir;
    SettingsFile file(dir.path());
    const SaveResult result = file.WriteSettingsFile(stateOf(Defaults));
    QCOMPARE(result.status, SaveStatus::Saved);
    QCOMPARE(result.path, dir.filePath(QStringLiteral("setting.txt")));
    const QByteArray expected
        = crlf({ "\"Setting DATA", " 999:interval of one second", " 1:moving minutes",
                 " 0:moving seconds", " 1:reading minutes", " 0:reading seconds",
                 " 5:examination minutes", " 0:examination seconds", " 1:feedback minutes",
                 " 0:feedback seconds", "end", "", "\"" });
    QCOMPARE(expected.size(), 222);
    QCOMPARE(readFile(result.path), expected);
    QVERIFY(file.LineBuffer.startsWith("Setting DATA\r\n"));
    QVERIFY(file.LineBuffer.endsWith("end\r\n\r\n"));
}

void SettingsFileTest::widerNumbersAreWrittenWhole()
{
    QByteArray buffer;
    const QByteArray bytes
        = settingsFileBytes(stateOf({ 12345, 120, -10, 0, 0, 0, 0, 0, 0 }), buffer);
    QVERIFY(bytes.contains("\r\n12345:interval of one second\r\n"));
    QVERIFY(bytes.contains("\r\n120:moving minutes\r\n"));
    QVERIFY(bytes.contains("\r\n-10:moving seconds\r\n"));
}

void SettingsFileTest::roundTrips()
{
    QTemporaryDir dir;
    SettingsFile file(dir.path());
    for (int interval = -999; interval <= 9999; interval += 7) {
        const int length = -9 + (interval + 999) % 109; // sweeps -9 to 99
        const Values values { interval, length, 99 - (length + 9), length, 0, -9, 99, length, 60 };
        QCOMPARE(file.WriteSettingsFile(stateOf(values)).status, SaveStatus::Saved);
        ClockState back = stateOf(Defaults);
        QCOMPARE(file.ReadSettingsFile(back), SettingsReadOutcome::Complete);
        QCOMPARE(valuesOf(back), values);
    }
}

// A write that fails part-way (here a file-size limit, as a full disk would) leaves the
// old file whole and says why.
void SettingsFileTest::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setting.txt"));
    writeFile(path, Complete);
    SettingsFile file(dir.path());
    ClockState state;
    QCOMPARE(file.ReadSettingsFile(state), SettingsReadOutcome::Complete);

    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult result = file.WriteSettingsFile(stateOf(Defaults));
    setrlimit(RLIMIT_FSIZE, &old);

    QCOMPARE(result.status, SaveStatus::Failed);
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(readFile(path), Complete);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList { QStringLiteral("setting.txt") });
}

void SettingsFileTest::saveIntoAFolderOfThatName()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("setting.txt")));
    SettingsFile file(dir.path());
    ClockState state;
    QCOMPARE(file.ReadSettingsFile(state),
             SettingsReadOutcome::NotFound); // a folder is no settings file
    const SaveResult result = file.WriteSettingsFile(state);
    QCOMPARE(result.status, SaveStatus::Failed);
    QVERIFY(!result.reason.isEmpty());
}

void SettingsFileTest::randomBytesGiveAnOutcome()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setting.txt"));
    QRandomGenerator random(1206);
    const QByteArray alphabet("0123456789 -+end\r\n\r:x\"\xEF");
    for (int i = 0; i < 3000; ++i) {
        QByteArray bytes;
        const int size = random.bounded(300);
        for (int b = 0; b < size; ++b)
            bytes += random.bounded(2) ? alphabet[random.bounded(alphabet.size())]
                                       : char(random.bounded(256));
        writeFile(path, bytes);
        ClockState state;
        SettingsFile file(dir.path());
        const SettingsReadOutcome outcome = file.ReadSettingsFile(state);
        QVERIFY(outcome != SettingsReadOutcome::NotFound);
        if (outcome == SettingsReadOutcome::Complete
            || outcome == SettingsReadOutcome::EndMissing) {
            // Every field was read; writing and reading again gives the same values.
            QCOMPARE(file.WriteSettingsFile(state).status, SaveStatus::Saved);
            ClockState again = stateOf(Defaults);
            QCOMPARE(file.ReadSettingsFile(again), SettingsReadOutcome::Complete);
            QVERIFY(state.TickIntervalMs < -999 || state.TickIntervalMs > 9999
                    || valuesOf(again)[0] == state.TickIntervalMs);
        }
    }
}

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
