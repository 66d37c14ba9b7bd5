#include "examlog/csvrow.h"
#include "examlog/sessionlog.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

Q_DECLARE_METATYPE(SessionEvent)

namespace {
const QByteArray Head = "\xEF\xBB\xBF時刻,出来事,フェーズ,表示,詳細\r\n";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows after the head; each ended by CR before the split at LF.
QList<QByteArray> rowsOf(const QByteArray &bytes)
{
    QList<QByteArray> rows = bytes.mid(Head.size()).split('\n');
    rows.removeLast(); // what follows the last LF
    return rows;
}

QDateTime tokyo(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
}
} // namespace

class SessionLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rowBytes_data();
    void rowBytes();
    void scriptedSessionInOrder();
    void unwritableReportedOnce_data();
    void unwritableReportedOnce();
    void oldFilesRemovedAtStart_data();
    void oldFilesRemovedAtStart();
};

void SessionLogTest::initTestCase()
{
    // A fixed zone, so the offset and the local date are known; midnight is not UTC's.
    qputenv("TZ", "Asia/Tokyo");
    tzset();
}

void SessionLogTest::rowBytes_data()
{
    QTest::addColumn<SessionEvent>("event");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QByteArray>("row"); // after the time

    QTest::newRow("START with lengths")
        << SessionEvent::Start << startDetail({ 1, 0, 2, 30, 5, 0, 1, 5 }, 999)
        << QByteArray("START,試験時間,4:05,移動 1:00 読む 2:30 試験 5:00 評価 1:05 間隔 999 ms");
    QTest::newRow("comma and quote")
        << SessionEvent::Cue
        << cueDetail(u"yomu.wav"_qs, CueSource::Folder, u"\"bad\" header, 0 bytes"_qs)
        << QByteArray("音声,試験時間,4:05,\"yomu.wav (フォルダー) "
                      "鳴らせません: \"\"bad\"\" header, 0 bytes\"");
    QTest::newRow("line feed") << SessionEvent::Save << u"a\nb"_qs
                               << QByteArray("設定保存,試験時間,4:05,\"a\nb\"");
    QTest::newRow("carriage return") << SessionEvent::ExitAnswered << u"a\rb"_qs
                                     << QByteArray("終了確認の答え,試験時間,4:05,\"a\rb\"");
    QTest::newRow("button caption")
        << SessionEvent::FiveSeconds << QString() << QByteArray("5sec >>,試験時間,4:05,");
}

void SessionLogTest::rowBytes()
{
    QFETCH(SessionEvent, event);
    QFETCH(QString, detail);
    QFETCH(QByteArray, row);
    QTemporaryDir dir;
    {
        SessionLog log(dir.path());
        log.record(tokyo("2026-12-06T23:59:59.999"), event, { u"試験時間"_qs, 4, 5 }, detail);
        log.record(tokyo("2026-12-07T00:00:00.000"), SessionEvent::ProgramEnd, {});
    }
    QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-06.csv"_qs)),
             Head + "2026-12-06T23:59:59.999+09:00," + row + "\r\n");
    // A new file at local midnight, which is not UTC's.
    QCOMPARE(readFile(dir.filePath(u"zentrel-timer-2026-12-07.csv"_qs)),
             Head + "2026-12-07T00:00:00.000+09:00,終了,,0:00,\r\n");
}

void SessionLogTest::scriptedSessionInOrder()
{
    const QList<SessionEvent> script { SessionEvent::ProgramStart, SessionEvent::Start,
                                       SessionEvent::PhaseEntered, SessionEvent::Pause,
                                       SessionEvent::Resume,       SessionEvent::SkipToNext,
                                       SessionEvent::Reset,        SessionEvent::ProgramEnd };
    QTemporaryDir dir;
    SessionLog log(dir.path());
    for (SessionEvent event : script)
        log.record(event, { u"移動時間"_qs, 0, 42 });
    log.waitUntilWritten();

    const QByteArray bytes = readFile(dir.filePath(logFileName(QDate::currentDate())));
    QVERIFY(bytes.startsWith(Head));
    const QList<QByteArray> rows = rowsOf(bytes);
    QCOMPARE(rows.size(), script.size());
    static const QRegularExpression time(
        u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\+09:00$"_qs);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList fields = QString::fromUtf8(rows[i].chopped(1)).split(u',');
        QVERIFY2(time.match(fields[0]).hasMatch(), qPrintable(fields[0]));
        QCOMPARE(fields[1], eventName(script[i]));
        QCOMPARE(fields[3], u"0:42"_qs);
    }
}

void SessionLogTest::unwritableReportedOnce_data()
{
    QTest::addColumn<rlim_t>("fileSizeLimit"); // 0: none
    QTest::addColumn<bool>("folderBlockedByFile");
    QTest::newRow("full disk") << rlim_t(300) << false;
    QTest::newRow("folder cannot be made") << rlim_t(0) << true;
}

void SessionLogTest::unwritableReportedOnce()
{
    QFETCH(rlim_t, fileSizeLimit);
    QFETCH(bool, folderBlockedByFile);
    QTemporaryDir dir;
    const QString blocker = dir.filePath(u"blocker"_qs);
    QString folder = dir.path();
    if (folderBlockedByFile) {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        folder = blocker + u"/log"_qs;
    }
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    if (fileSizeLimit) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = fileSizeLimit;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }

    SessionLog log(folder);
    QSignalSpy spy(&log, &SessionLog::unwritable);
    QThread *reportedOn = nullptr;
    connect(&log, &SessionLog::unwritable, this, [&] { reportedOn = QThread::currentThread(); });
    const auto recordTen = [&log] {
        for (int i = 0; i < 10; ++i)
            log.record(SessionEvent::Cue, { u"試験時間"_qs, 0, 30 }, QString(60, u'x'));
        log.waitUntilWritten();
    };
    recordTen();
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(reportedOn, QThread::currentThread());
    QVERIFY(!spy.first().first().toString().isEmpty());
    recordTen();
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);

    // The cause goes away: the next row is written, and the file holds whole rows only.
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(!folderBlockedByFile || QFile::remove(blocker));
    log.record(SessionEvent::Reset, {}, u"after"_qs);
    log.waitUntilWritten();
    const QByteArray bytes = readFile(folder + u'/' + logFileName(QDate::currentDate()));
    QVERIFY(bytes.startsWith(Head));
    QVERIFY(bytes.endsWith(",RESET,,0:00,after\r\n"));
    for (const QByteArray &row : rowsOf(bytes))
        QVERIFY2(row.count(',') == 4 && row.endsWith('\r'), row.constData());
    QCOMPARE(spy.count(), 1);
}

void SessionLogTest::oldFilesRemovedAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("kept");
    const QDate today = QDate::currentDate();
    const auto daysAgo = [&](int days) {
        return logFileName(today.addDays(-days));
    };
    QTest::newRow("89 days") << daysAgo(89) << true;
    QTest::newRow("90 days") << daysAgo(90) << true;
    QTest::newRow("91 days") << daysAgo(91) << false;
    QTest::newRow("a year") << daysAgo(365) << false;
    QTest::newRow("foreign file") << u"zentrel-timer-notes.csv"_qs << true;
    QTest::newRow("foreign dated") << u"exam-2020-01-01.csv"_qs << true;
}

void SessionLogTest::oldFilesRemovedAtStart()
{
    QFETCH(QString, name);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    SessionLog log(dir.path());
    log.record(SessionEvent::ProgramStart, {}); // clean-up comes before the first row
    log.waitUntilWritten();
    QCOMPARE(QFile::exists(dir.filePath(name)), kept);
}

QTEST_GUILESS_MAIN(SessionLogTest)
#include "tst_sessionlog.moc"
