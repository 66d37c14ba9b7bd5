#include "examlog/csvrow.h"
#include "examlog/logwriter.h"
#include "examlog/sessionlog.h"
#include "files.h"
#include "rows.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

using namespace zentrel;

namespace {
const QByteArray Head = "\xEF\xBB\xBF時刻,出来事,フェーズ,表示,詳細\r\n";

// A folder's file names: a date stands for that day's log file.
QStringList files(std::initializer_list<const char *> names)
{
    QStringList out;
    for (const char *name : names) {
        const QDate day = QDate::fromString(QLatin1String(name), Qt::ISODate);
        out << (day.isValid() ? logFileName(day) : QString::fromLatin1(name));
    }
    out.sort();
    return out;
}

struct Cleanup
{
    const char *name;
    QStringList present;
    const char *today;
    QStringList remaining;
};

// clang-format off
const Cleanup Cleanups[] = {
    { "90 days before the newest file stay, 91 go; other names stay", files({ "2026-12-06", "2026-09-07", "2026-09-06", "exam-2020-01-01.csv" }), "2026-12-06", files({ "2026-12-06", "2026-09-07", "exam-2020-01-01.csv" }) },
    { "counted from the newest file, not the clock: a clock years ahead", files({ "2026-12-05", "2026-09-06", "2026-09-05" }), "2030-01-01", files({ "2026-12-05", "2026-09-06" }) },
    { "a file dated after today: the clock is wrong, none goes", files({ "2026-12-07", "2026-01-01", "2025-01-01" }), "2026-12-06", files({ "2026-12-07", "2026-01-01", "2025-01-01" }) },
};
// clang-format on

// An event's detail, and the field the log holds for it.
struct RowBytes
{
    const char *name;
    SessionEvent event;
    QString detail;
    const char *field;
};
} // namespace
Q_DECLARE_METATYPE(RowBytes)
Q_DECLARE_METATYPE(Cleanup)

class SessionLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A fixed zone, so the offset and the local date are known; midnight is not UTC's.
        qputenv("TZ", "Asia/Tokyo");
        tzset();
    }

    // Each quoting rule alone, so that a dropped one shows; text from outside (a room name)
    // that a spreadsheet would take for a formula gets an apostrophe, the program's own not.
    void rowBytes_data()
    {
        const auto cue = SessionEvent::Cue, joined = SessionEvent::FollowerJoined;
        // clang-format off
        static const RowBytes rows[] = {
            { "comma", cue, cueDetail(u"yomu.wav"_qs, CueSource::Folder, u"0 bytes, no wav"_qs), "\"yomu.wav (フォルダー) 鳴らせません: 0 bytes, no wav\"" },
            { "quote", cue, u"\"x\""_qs, R"("""x""")" },
            { "line feed", cue, u"a\nb"_qs, "\"a\nb\"" },
            { "carriage return", cue, u"a\rb"_qs, "\"a\rb\"" },
            { "outside =", joined, u"=HYPERLINK(\"x\")"_qs, R"c("'=HYPERLINK(""x"")")c" },
            { "outside +", SessionEvent::FollowerLeft, u"+1"_qs, "\"'+1\"" },
            { "outside -", joined, u"-1+2"_qs, "\"'-1+2\"" },
            { "outside @", joined, u"@SUM(1)"_qs, "\"'@SUM(1)\"" },
            { "outside tab", joined, u"\t=1"_qs, "\"'\t=1\"" },
            { "outside carriage return", joined, u"\r=1"_qs, "\"'\r=1\"" },
            { "outside, plain", joined, u"Room 3"_qs, "Room 3" },
            { "outside, = inside", joined, u"A=1"_qs, "A=1" },
            { "own =", cue, u"=1"_qs, "=1" },
        };
        // clang-format on
        addRows(rows);
    }

    void rowBytes()
    {
        QFETCH(RowBytes, row);
        QTemporaryDir dir;
        {
            SessionLog log(dir.path());
            log.record(QDateTime::fromString(u"2026-12-06T23:59:59.999"_qs, Qt::ISODateWithMs),
                       row.event, { u"試験時間"_qs, 4, 5 }, row.detail);
            log.record(QDateTime::fromString(u"2026-12-07T00:00:00.000"_qs, Qt::ISODateWithMs),
                       SessionEvent::ProgramEnd, {});
        } // written before the log is gone
        // A second start on the same day adds to the day's file: no second mark or header.
        SessionLog(dir.path())
            .record(QDateTime::fromString(u"2026-12-07T00:00:01.000"_qs, Qt::ISODateWithMs),
                    SessionEvent::ProgramEnd, {});
        QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-06.csv"_qs)),
                 Head + "2026-12-06T23:59:59.999+09:00," + eventName(row.event).toUtf8()
                     + ",試験時間,4:05," + row.field + "\r\n");
        QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-07.csv"_qs)),
                 Head + "2026-12-07T00:00:00.000+09:00,終了,,0:00,\r\n"
                     + "2026-12-07T00:00:01.000+09:00,終了,,0:00,\r\n");
    }

    void unwritableReportedOnce_data()
    {
        QTest::addColumn<bool>("noFolder"); // else a full disk
        QTest::newRow("full disk") << false;
        QTest::newRow("folder cannot be made") << true;
    }

    void unwritableReportedOnce()
    {
        QFETCH(bool, noFolder);
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"blocker"_qs));
        const QString folder = noFolder ? blocker.fileName() + u"/log"_qs : dir.path();
        QVERIFY(!noFolder || blocker.open(QIODevice::WriteOnly));
        rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small { 300, old.rlim_max };
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(noFolder || setrlimit(RLIMIT_FSIZE, &small) == 0);

        SessionLog log(folder);
        QSignalSpy spy(&log, &SessionLog::unwritable);
        QThread *reportedOn = nullptr;
        connect(
            &log, &SessionLog::unwritable, this, [&] { reportedOn = QThread::currentThread(); },
            Qt::DirectConnection);
        for (int i = 0; i < 20; ++i)
            log.record(SessionEvent::Cue, { u"試験時間"_qs, 0, 30 }, QString(60, u'x'));
        log.waitUntilWritten();
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(reportedOn, QThread::currentThread());
        QVERIFY(!spy.first().first().toString().isEmpty());

        // The cause goes away: the next row is written, and the file holds whole rows only (each
        // starts with its time).
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!noFolder || blocker.remove());
        log.record(SessionEvent::Reset, { u"移動時間"_qs, 0, 42 }, u"after"_qs);
        log.waitUntilWritten();
        const QByteArray bytes = readFile(folder + u'/' + logFileName(QDate::currentDate()));
        QVERIFY(bytes.startsWith(Head));
        QVERIFY(bytes.endsWith(",RESET,移動時間,0:42,after\r\n"));
        for (const QByteArray &line : bytes.mid(Head.size()).chopped(1).split('\n'))
            QVERIFY2(line.indexOf(',') == 29 && line.count(',') == 4 && line.endsWith('\r'),
                     line.constData());
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 1);
    }

    // The files present, today's date, the files that remain once the log has started.
    void oldFilesRemovedAtStart_data() { addRows(Cleanups); }
    void oldFilesRemovedAtStart()
    {
        QFETCH(Cleanup, row);
        QTemporaryDir dir;
        for (const QString &name : row.present) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // The clean-up comes first on the writer's thread, which ends with the writer.
        LogWriter(dir.path(), QDate::fromString(QLatin1String(row.today), Qt::ISODate),
                  [](const QString &) {});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), row.remaining);
    }
};

QTEST_GUILESS_MAIN(SessionLogTest)
#include "tst_sessionlog.moc"
