// Coming back after an abnormal end: child runs of this test's binary killed or signalled
// mid-phase, orderly ends, a second timer in the same folder, and hand-made state files.
#include "awake/quitonsignal.h"
#include "examlog/csvrow.h"
#include "programrig.h"
#include "restart/statekeeper.h"
#include "rows.h"

#include <QDateTime>
#include <QProcess>
#include <QTemporaryFile>
#include <csignal>

using namespace zentrel;

namespace {

// How the last run in the folder ended. A child run is STARTed so that Examination is
// entered at 4:27 about two seconds later, and is signalled then. The rest are files.
// clang-format off
enum class End { Kill, Term, Hup, Exit, LogOut, Beside, Span, Behind, Garbled, Future };
// clang-format on

QByteArray handMade(End end)
{
    ClockState c { Phase::Moving, Pause::Off,       0, 12, { 0, 12, 0, 32, 1, 0, 0, 10 },
                   1000,          TimerRun::Running };
    const qint64 ago = end == End::Span            ? 13'500
        : end == End::Future || end == End::Behind ? -60'000
                                                   : 1000;
    const QByteArray kept = encodeKeptState(
        { c, QDateTime::currentMSecsSinceEpoch() - ago, bootTimeMs() - ago,
          end == End::Behind ? "00000000-0000-0000-0000-000000000000" : currentBootId() });
    return end == End::Garbled ? kept.left(30) : kept;
}

using A = RestartAnswer;
using S = OperatingState;
struct Row
{
    const char *name;
    End end;
    A answer;
    const char *asked; // part of the question; "" for none
    int left; // seconds on the clock after the answer, within a tick for a child run
    S state;
    const char *seen = ""; // in the answer's change and the next tick's, the log or stderr;
                           // parts apart by |
};
const char *Ignored = "restart state ignored";
// clang-format off
const Row Rows[] = {
    { "SIGKILL, 3 s later: 続きから再開", End::Kill, A::Continue, "前回のタイマーは 試験中 4:27 の時点（", 264, S::Running, "答え 続きから再開" },
    { "SIGKILL: 停止時点から", End::Kill, A::FromStop, "試験中 4:27", 267, S::Paused },
    { "SIGKILL: 最初から is the designed start", End::Kill, A::Fresh, "試験中 4:27", 0, S::Idle },
    { "SIGHUP keeps it", End::Hup, A::FromStop, "試験中 4:2", 266, S::Paused },
    { "SIGTERM removes it", End::Term, A::Continue, "", 0, S::Idle },
    { "the exit question's OK removes it", End::Exit, A::Continue, "", 0, S::Idle },
    { "a log-out removes it", End::LogOut, A::Continue, "", 0, S::Idle },
    { "a second timer leaves the running one's alone", End::Beside, A::Continue, "", 0, S::Idle },
    { "over a phase change: no cue passed, the next tick's", End::Span, A::Continue, "続きから再開すると 問題を読んでいます 0:31", 31, S::Running, "enter 2, count 0:31, notice; count 0:30, play sec30.wav|フェーズ開始,問題を読んでいます,0:32,停止中に経過" },
    { "rebooted, the wall clock behind", End::Behind, A::FromStop, "続きからは再開できません", 12, S::Paused },
    { "garbled", End::Garbled, A::Continue, "", 0, S::Idle, Ignored },
    { "from the future", End::Future, A::Continue, "", 0, S::Idle, Ignored },
};
// clang-format on

int childRun(const QString &folder)
{
    quitOnSignals();
    RecordingMessages messages;
    Program program({ TickDrive::Timer, messages, folder, folder, QDBusConnection(QString()) });
    program.startUp();
    program.clock().start(boxesOf(u"0,1,0,0,4,28,1,0"_qs));
    return QCoreApplication::exec();
}
} // namespace

Q_DECLARE_METATYPE(Row)

class RestartTest : public QObject
{
    Q_OBJECT

    void lastRun(End end, const QString &folder, std::unique_ptr<ProgramRig> &first)
    {
        const QString file = keptStateFile(folder, folder);
        if (end >= End::Span)
            return writeFile(file, handMade(end));
        if (end >= End::Exit) {
            first = std::make_unique<ProgramRig>(CompleteSettings, QDBusConnection(QString()),
                                                 RoomLink {}, nullptr, nullptr, folder);
            first->clock().start(boxesOf(u"1,0,1,0,5,0,1,0"_qs));
            QTRY_VERIFY(QFile::exists(file));
            QVERIFY(end != End::Exit || first->window().close());
            if (end == End::LogOut)
                first->program->sessionEnding(Interaction::NotAllowed);
            if (end != End::Beside)
                first.reset();
            return;
        }
        QProcess child;
        qputenv("RESTART_CHILD", folder.toUtf8());
        child.start(QCoreApplication::applicationFilePath(), {});
        const auto kept = [&] {
            return decodeKeptState(readFile(file)).kept.value_or(KeptState {});
        };
        QTRY_VERIFY_WITH_TIMEOUT(kept().clock.RemainingSeconds == 27, 20000);
        ::kill(pid_t(child.processId()), std::array { SIGKILL, SIGTERM, SIGHUP }[int(end)]);
        QVERIFY(child.waitForFinished(10000));
        QTest::qWait(end == End::Kill ? 3000 : 0);
    }

private Q_SLOTS:
    void comeBack_data() { addRows(Rows); }
    void comeBack()
    {
        QFETCH(Row, row);
        QTemporaryDir dir;
        std::unique_ptr<ProgramRig> first;
        lastRun(row.end, dir.path(), first);
        QTemporaryFile errors;
        QVERIFY(errors.open());
        const int savedStderr = ::dup(2);
        ::dup2(errors.handle(), 2);
        auto rig
            = std::make_unique<ProgramRig>(CompleteSettings, QDBusConnection(QString()),
                                           RoomLink {}, nullptr, nullptr, dir.path(), row.answer);
        ::dup2(savedStderr, 2);
        const QString asked = rig->messages.shown.filter(u"前回"_qs).join(u'\n');
        QVERIFY2(asked.contains(QString::fromUtf8(row.asked)), qPrintable(asked));
        QCOMPARE(asked.isEmpty(), !*row.asked);
        const ClockState s = rig->clock().state();
        const int left = s.RemainingMinutes * 60 + s.RemainingSeconds;
        QVERIFY2(std::abs(left - row.left) <= (row.end <= End::Hup ? 1 : 0),
                 qPrintable(QString::number(left)));
        QCOMPARE(rig->shown(), countText(s.RemainingMinutes, s.RemainingSeconds));
        QCOMPARE(rig->clock().operatingState(), row.state);
        rig->clock().tick();
        QString seen
            = rig->out->log.mid(1, 2).join(u"; ") + QString::fromUtf8(readFile(errors.fileName()));
        const QString file = keptStateFile(dir.path(), dir.path());
        rig->clock().reset();
        rig.reset();
        QCOMPARE(QFile::exists(file), row.end == End::Beside); // the first timer's still
        seen += QString::fromUtf8(readFile(dir.filePath(logFileName(QDate::currentDate()))));
        for (const QString &part : QString::fromUtf8(row.seen).split(u'|'))
            QVERIFY2(seen.contains(part), qPrintable(seen));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (const QString folder = qEnvironmentVariable("RESTART_CHILD"); !folder.isEmpty())
        return childRun(folder);
    RestartTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_restart.moc"
