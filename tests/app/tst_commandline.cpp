#include "commandline.h"

#include <QProcess>
#include <QTest>

#include <cstdio>

using namespace zentrel;

// processCommandLine() ends the process on --help, --version and mistakes, so each case runs this
// test program again as a child that only parses and prints "run" if the program would go on.
namespace {
const char *ChildVariable = "ZENTREL_COMMANDLINE_CHILD";

// The exit code, standard output and standard error of this program run again as the child.
QStringList runChild(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(30000);
    return { QString::number(child.exitCode()), QString::fromUtf8(child.readAllStandardOutput()),
             QString::fromUtf8(child.readAllStandardError()) };
}
} // namespace

class TstCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv(ChildVariable, "1"); } // for the children only

    // Unknown options, --help and --version are QCommandLineParser's.
    void strayArgumentsAndRoomOptions()
    {
        QCOMPARE(runChild({}), QStringList({ "0", "run\n", "" }));
        QCOMPARE(runChild({ "--follow", "mqtt://127.0.0.1:1884/c1", "--room", "101" }),
                 QStringList({ "0", "run\n", "" }));
        for (const QStringList &accepted :
             { QStringList { "--web", "0.0.0.0:8080" }, { "--web", "[::1]:8080" },
               { "--room", "101" }, { "--lead", "mqtt://127.0.0.1/c1", "--room", "101" },
               { "--web", "8080", "--web-limits", "8,16" } })
            QCOMPARE(runChild(accepted), QStringList({ "0", "run\n", "" }));
        const std::pair<QStringList, const char *> refused[] = {
            { { "setting.txt" }, "zentrel-timer: Unexpected argument 'setting.txt'." },
            { { "--lead", "http://host/c1" },
              "zentrel-timer: ブローカーのアドレスが正しくありません" },
            { { "--lead", "mqtt://h/c", "--follow", "mqtt://h/c" },
              "zentrel-timer: --lead と --follow は同時に使えません" },
            { { "--room", "a\tb" }, "zentrel-timer: 部屋名「a\tb」は使えません" },
            { { "--web", "0" }, "zentrel-timer: --web のアドレス「0」が正しくありません" },
            { { "--web-limits", "65,64" }, "zentrel-timer: --web-limits「65,64」が正しくありません" },
            { { "--web-limits", "64,1000000" }, "zentrel-timer: --web-limits の合計 1000000 は" },
            { { "--web", "host:65536" },
              "zentrel-timer: --web のアドレス「host:65536」が正しくありません" },
        };
        for (const auto &[arguments, error] : refused) {
            const QStringList got = runChild(arguments);
            QCOMPARE(got[0], QStringLiteral("1"));
            QVERIFY2(got[2].startsWith(QString::fromUtf8(error)), qPrintable(got[2]));
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(ChildVariable)) {
        processCommandLine(QCoreApplication::arguments());
        std::fputs("run\n", stdout);
        return 0;
    }
    TstCommandLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commandline.moc"
