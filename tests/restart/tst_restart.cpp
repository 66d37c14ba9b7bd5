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
// Answers the question after an abnormal end as told, and remembers it.
struct Answering : RestartAsker
{
    RestartAnswer answer = RestartAnswer::Fresh;
    QString asked;
    RestartAnswer ask(QWidget *, const RestartPlan &plan) override
    {
        asked = restartQuestion(plan);
        return answer;
    }
};

// How the last run in the folder ended. A child run is this test's binary in the folder,
// STARTed so that Examination is entered at 4:27 about two seconds later, then signalled.
enum class End { Kill, Term, Hup, Exit, LogOut, Beside, File };

// The clock kept `ago` seconds ago; `boot` another boot's id, or none for this one's.
QByteArray kept(ClockState clock, double ago, const char *boot = nullptr)
{
    const qint64 ms = qint64(ago * 1000);
    return encodeKeptState({ clock, QDateTime::currentMSecsSinceEpoch() - ms, bootTimeMs() - ms,
                             boot ? QByteArray(boot) : currentBootId() });
}
const PhaseLengths Lengths { 0, 12, 0, 32, 1, 0, 0, 10 };
const ClockState Moving12 { Phase::Moving, Pause::Off, 0, 12, Lengths, 1000, TimerRun::Running };
ClockState with(ClockState c, std::int16_t interval)
{
    c.TickIntervalMs = interval;
    return c;
}
const char *OtherBoot = "00000000-0000-0000-0000-000000000000";

using A = RestartAnswer;
using S = OperatingState;
struct Row
{
    const char *name;
    End end;
    QByteArray (*file)();
    A answer;
    const char *asked; // part of the question; "" for none
    int left; // seconds on the clock after the answer, within a tick for a child run
    S state;
    const char *changes = ""; // the answer's change, then the first tick's (a hand-made file)
    const char *logged = "";
    const char *stderrLine = "";
};
const char *Ignored = "restart state ignored";
const Row Rows[] = {
    { "SIGKILL, 3 s later: 続きから再開",
      End::Kill,
      {},
      A::Continue,
      "前回のタイマーは 試験中 4:27 の時点（",
      264,
      S::Running,
      "",
      "答え 続きから再開" },
    { "SIGKILL: 停止時点から", End::Kill, {}, A::FromStop, "試験中 4:27", 267, S::Paused },
    { "SIGKILL: 最初から is the designed start",
      End::Kill,
      {},
      A::Fresh,
      "試験中 4:27",
      0,
      S::Idle },
    { "resumed over a phase change: no cue passed, the next tick's plays", End::File,
      [] { return kept(Moving12, 13.5); }, A::Continue,
      "続きから再開すると 問題を読んでいます 0:31", 31, S::Running,
      "enter 2, count 0:31, notice; count 0:30, play sec30.wav",
      "フェーズ開始,問題を読んでいます,0:32,停止中に経過" },
    { "after a reboot with the wall clock behind: not from where it would be", End::File,
      [] { return kept(Moving12, -60, OtherBoot); }, A::FromStop, "続きからは再開できません", 12,
      S::Paused },
    { "SIGHUP keeps it", End::Hup, {}, A::FromStop, "試験中 4:2", 266, S::Paused },
    { "SIGTERM removes it", End::Term, {}, A::Continue, "", 0, S::Idle },
    { "the exit question's OK removes it", End::Exit, {}, A::Continue, "", 0, S::Idle },
    { "a log-out removes it", End::LogOut, {}, A::Continue, "", 0, S::Idle },
    { "a second timer leaves the running one's alone",
      End::Beside,
      {},
      A::Continue,
      "",
      0,
      S::Idle },
    { "garbled", End::File, [] { return QByteArray("{\"v\":1,\"phase\":"); }, A::Continue, "", 0,
      S::Idle, "", "", Ignored },
    { "huge", End::File, [] { return kept(Moving12, 1) + QByteArray(4000, ' '); }, A::Continue, "",
      0, S::Idle, "", "", Ignored },
    { "out of range", End::File, [] { return kept(with(Moving12, 50), 1); }, A::Continue, "", 0,
      S::Idle, "", "", Ignored },
    { "from the future", End::File, [] { return kept(Moving12, -60); }, A::Continue, "", 0, S::Idle,
      "", "", Ignored },
    { "older than 12 hours", End::File, [] { return kept(Moving12, 13 * 3600, OtherBoot); },
      A::Continue, "", 0, S::Idle, "", "", Ignored },
};

bool keptAt427(const QString &file)
{
    const std::optional<KeptState> k = decodeKeptState(readFile(file)).kept;
    return k && k->clock.Phase == Phase::Examination && k->clock.RemainingSeconds == 27;
}

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

    void lastRun(const Row &row, const QString &folder, std::unique_ptr<ProgramRig> &first)
    {
        const QString file = keptStateFile(folder, folder);
        if (row.end == End::File)
            return writeFile(file, row.file());
        if (row.end >= End::Exit) {
            first = std::make_unique<ProgramRig>(CompleteSettings, QDBusConnection(QString()),
                                                 RoomLink {}, nullptr, nullptr, folder);
            first->clock().start(boxesOf(u"1,0,1,0,5,0,1,0"_qs));
            QTRY_VERIFY(QFile::exists(file));
            if (row.end == End::Exit)
                QVERIFY(first->window().close());
            if (row.end == End::LogOut)
                first->program->sessionEnding(Interaction::NotAllowed);
            if (row.end != End::Beside)
                first.reset();
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"RESTART_CHILD"_qs, folder);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QTRY_VERIFY_WITH_TIMEOUT(keptAt427(file), 20000);
        const int signal = row.end == End::Kill ? SIGKILL : row.end == End::Term ? SIGTERM : SIGHUP;
        ::kill(pid_t(child.processId()), signal);
        QVERIFY(child.waitForFinished(10000));
        if (row.end == End::Kill)
            QTest::qWait(3000);
    }

private Q_SLOTS:
    void comeBack_data() { addRows(Rows); }
    void comeBack()
    {
        QFETCH(Row, row);
        QTemporaryDir dir;
        std::unique_ptr<ProgramRig> first;
        lastRun(row, dir.path(), first);
        Answering asker;
        asker.answer = row.answer;
        QTemporaryFile errors;
        QVERIFY(errors.open());
        const int savedStderr = ::dup(2);
        ::dup2(errors.handle(), 2);
        auto rig = std::make_unique<ProgramRig>(CompleteSettings, QDBusConnection(QString()),
                                                RoomLink {}, nullptr, &asker, dir.path());
        ::dup2(savedStderr, 2);
        QVERIFY2(asker.asked.contains(QString::fromUtf8(row.asked)), qPrintable(asker.asked));
        QCOMPARE(asker.asked.isEmpty(), !*row.asked);
        const ClockState s = rig->clock().state();
        const int left = s.RemainingMinutes * 60 + s.RemainingSeconds;
        QVERIFY2(std::abs(left - row.left) <= (row.end <= End::Hup ? 1 : 0),
                 qPrintable(QString::number(left)));
        QCOMPARE(rig->shown(), countText(s.RemainingMinutes, s.RemainingSeconds));
        QCOMPARE(rig->clock().operatingState(), row.state);
        if (*row.changes) {
            rig->clock().tick();
            QCOMPARE(rig->out->log.mid(1).join(u"; "), QString::fromUtf8(row.changes));
        }
        QVERIFY(readFile(errors.fileName()).contains(row.stderrLine));
        const QString file = keptStateFile(dir.path(), dir.path());
        rig->clock().reset();
        rig.reset();
        QCOMPARE(QFile::exists(file), row.end == End::Beside); // the first timer's still
        if (*row.logged) {
            const QByteArray log = readFile(dir.filePath(logFileName(QDate::currentDate())));
            QVERIFY2(log.contains(row.logged), log.constData());
        }
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
