#include "examlog/csvrow.h"
#include "examlog/sessionlog.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

namespace {
const QByteArray Head = "\xEF\xBB\xBF時刻,出来事,フェーズ,表示,詳細\r\n";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct RowCase
{
    const char *name;
    SessionEvent event;
    QString detail;
    QByteArray row; // after the time
};

enum class Folder { Writable, BlockedByFile };
struct UnwritableCase
{
    const char *name;
    rlim_t fileSizeLimit; // 0: none
    Folder folder;
};
} // namespace
Q_DECLARE_METATYPE(RowCase)
Q_DECLARE_METATYPE(UnwritableCase)

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

    // Each quoting rule alone, so that a dropped one shows.
    void rowBytes_data()
    {
        const RowCase rows[] = {
            { "START with lengths", SessionEvent::Start,
              startDetail({ 1, 0, 2, 30, 5, 0, 1, 5 }, 999),
              "START,試験時間,4:05,移動 1:00 読む 2:30 試験 5:00 評価 1:05 間隔 999 ms" },
            { "comma", SessionEvent::Cue,
              cueDetail(u"yomu.wav"_qs, CueSource::Folder, u"0 bytes, no header"_qs),
              "音声,試験時間,4:05,\"yomu.wav (フォルダー) 鳴らせません: 0 bytes, no header\"" },
            { "quote", SessionEvent::FiveSeconds, u"\"x\""_qs,
              "5sec >>,試験時間,4:05,\"\"\"x\"\"\"" },
            { "line feed", SessionEvent::Save, u"a\nb"_qs, "設定保存,試験時間,4:05,\"a\nb\"" },
            { "carriage return", SessionEvent::ExitAnswered, u"a\rb"_qs,
              "終了確認の答え,試験時間,4:05,\"a\rb\"" },
        };
        QTest::addColumn<RowCase>("row");
        for (const RowCase &r : rows)
            QTest::newRow(r.name) << r;
    }

    void rowBytes()
    {
        QFETCH(RowCase, row);
        const auto tokyo = [](const char *text) {
            return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
        };
        QTemporaryDir dir;
        {
            SessionLog log(dir.path());
            log.record(tokyo("2026-12-06T23:59:59.999"), row.event, { u"試験時間"_qs, 4, 5 },
                       row.detail);
            log.record(tokyo("2026-12-07T00:00:00.000"), SessionEvent::ProgramEnd, {});
        } // written before the log is gone
        QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-06.csv"_qs)),
                 Head + "2026-12-06T23:59:59.999+09:00," + row.row + "\r\n");
        QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-07.csv"_qs)),
                 Head + "2026-12-07T00:00:00.000+09:00,終了,,0:00,\r\n");
    }

    void unwritableReportedOnce_data()
    {
        static const UnwritableCase rows[] = {
            { "full disk", 300, Folder::Writable },
            { "folder cannot be made", 0, Folder::BlockedByFile },
        };
        QTest::addColumn<UnwritableCase>("row");
        for (const UnwritableCase &r : rows)
            QTest::newRow(r.name) << r;
    }

    void unwritableReportedOnce()
    {
        QFETCH(UnwritableCase, row);
        QTemporaryDir dir;
        const QString blocker = dir.filePath(u"blocker"_qs);
        const QString folder
            = row.folder == Folder::BlockedByFile ? blocker + u"/log"_qs : dir.path();
        QFile file(blocker);
        QVERIFY(row.folder == Folder::Writable || file.open(QIODevice::WriteOnly));
        rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        if (row.fileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small { row.fileSizeLimit, old.rlim_max };
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }

        SessionLog log(folder);
        QSignalSpy spy(&log, &SessionLog::unwritable);
        QThread *reportedOn = nullptr;
        connect(&log, &SessionLog::unwritable, this,
                [&] { reportedOn = QThread::currentThread(); });
        for (int i = 0; i < 20; ++i)
            log.record(SessionEvent::Cue, { u"試験時間"_qs, 0, 30 }, QString(60, u'x'));
        log.waitUntilWritten();
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(reportedOn, QThread::currentThread());
        QVERIFY(!spy.first().first().toString().isEmpty());

        // The cause goes away: the next row is written, and the file holds whole rows only.
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(row.folder == Folder::Writable || file.remove());
        log.record(SessionEvent::Reset, { u"移動時間"_qs, 0, 42 }, u"after"_qs);
        log.waitUntilWritten();
        const QByteArray bytes = readFile(folder + u'/' + logFileName(QDate::currentDate()));
        QVERIFY(bytes.startsWith(Head));
        QVERIFY(bytes.endsWith(",RESET,移動時間,0:42,after\r\n"));
        for (const QByteArray &line : bytes.mid(Head.size()).chopped(1).split('\n'))
            QVERIFY2(line.count(',') == 4 && line.endsWith('\r'), line.constData());
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 1);
    }

    void oldFilesRemovedAtStart()
    {
        const QDate today = QDate::currentDate();
        const QList<std::pair<QString, bool>> files { { logFileName(today.addDays(-90)), true },
                                                      { logFileName(today.addDays(-91)), false },
                                                      { u"exam-2020-01-01.csv"_qs, true } };
        QTemporaryDir dir;
        for (const auto &[name, kept] : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        SessionLog log(dir.path());
        log.record(SessionEvent::ProgramStart, {}); // clean-up comes before the first row
        log.waitUntilWritten();
        for (const auto &[name, kept] : files)
            QVERIFY2(QFile::exists(dir.filePath(name)) == kept, qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(SessionLogTest)
#include "tst_sessionlog.moc"
