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

using namespace zentrel;

namespace {
const QByteArray Head = "\xEF\xBB\xBF時刻,出来事,フェーズ,表示,詳細\r\n";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Cause { FullDisk, NoFolder };
} // namespace
Q_DECLARE_METATYPE(Cause)

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
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("comma") << cueDetail(u"yomu.wav"_qs, CueSource::Folder,
                                            u"0 bytes, no wav"_qs)
                               << QByteArray(
                                      "\"yomu.wav (フォルダー) 鳴らせません: 0 bytes, no wav\"");
        QTest::newRow("quote") << u"\"x\""_qs << QByteArray(R"("""x""")");
        QTest::newRow("line feed") << u"a\nb"_qs << QByteArray("\"a\nb\"");
        QTest::newRow("carriage return") << u"a\rb"_qs << QByteArray("\"a\rb\"");
    }

    void rowBytes()
    {
        QFETCH(QString, detail);
        QFETCH(QByteArray, field);
        QTemporaryDir dir;
        {
            SessionLog log(dir.path());
            log.record(QDateTime::fromString(u"2026-12-06T23:59:59.999"_qs, Qt::ISODateWithMs),
                       SessionEvent::Cue, { u"試験時間"_qs, 4, 5 }, detail);
            log.record(QDateTime::fromString(u"2026-12-07T00:00:00.000"_qs, Qt::ISODateWithMs),
                       SessionEvent::ProgramEnd, {});
        } // written before the log is gone
        QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-06.csv"_qs)),
                 Head + "2026-12-06T23:59:59.999+09:00,音声,試験時間,4:05," + field + "\r\n");
        QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-07.csv"_qs)),
                 Head + "2026-12-07T00:00:00.000+09:00,終了,,0:00,\r\n");
    }

    void unwritableReportedOnce_data()
    {
        QTest::addColumn<Cause>("cause");
        QTest::newRow("full disk") << Cause::FullDisk;
        QTest::newRow("folder cannot be made") << Cause::NoFolder;
    }

    void unwritableReportedOnce()
    {
        QFETCH(Cause, cause);
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"blocker"_qs));
        const QString folder
            = cause == Cause::NoFolder ? blocker.fileName() + u"/log"_qs : dir.path();
        QVERIFY(cause == Cause::FullDisk || blocker.open(QIODevice::WriteOnly));
        rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small { 300, old.rlim_max };
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(cause == Cause::NoFolder || setrlimit(RLIMIT_FSIZE, &small) == 0);

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
        QVERIFY(cause == Cause::FullDisk || blocker.remove());
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
