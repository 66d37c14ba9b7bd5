#include "commandline.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <cstdio>

// processCommandLine() ends the process on --help, --version and mistakes, so each case runs this
// test program again as a child that only parses and prints "run" if the program would go on.
namespace {
const char *ChildVariable = "ZENTREL_COMMANDLINE_CHILD";

struct Run
{
    int exitCode = -1;
    QString out, err;
};

Run runChild(const QStringList &arguments)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(ChildVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit)
        return {};
    return { child.exitCode(), QString::fromUtf8(child.readAllStandardOutput()),
             QString::fromUtf8(child.readAllStandardError()) };
}

// The manual page's text without its comments, with \- read as the hyphen it prints.
QString manualPage()
{
    QFile file(QStringLiteral(ZENTREL_MANUAL_PAGE));
    QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    static const QRegularExpression comment(QStringLiteral("^\\.\\\\\".*$"),
                                            QRegularExpression::MultilineOption);
    return text.remove(comment).replace(QLatin1String("\\-"), QLatin1String("-"));
}

QSet<QString> longOptions(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*"));
    QSet<QString> names;
    for (const QRegularExpressionMatch &m : option.globalMatch(text))
        names.insert(m.captured());
    return names;
}
} // namespace

class TstCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // the start of standard output; empty: nothing
        QTest::addColumn<QString>("err"); // the same for standard error

        QTest::newRow("none") << QStringList() << 0 << "run\n" << QString();
        QTest::newRow("--help") << QStringList { "--help" } << 0 << "Usage: " << QString();
        QTest::newRow("unknown") << QStringList { "--fulscreen" } << 1 << QString()
                                 << "zentrel-timer: Unknown option 'fulscreen'.";
        QTest::newRow("stray") << QStringList { "setting.txt" } << 1 << QString()
                               << "zentrel-timer: Unexpected argument 'setting.txt'.";
        QTest::newRow("follow") << QStringList { "--follow", "mqtt://127.0.0.1:1884/c1", "--room",
                                                 "101" }
                                << 0 << "run\n"
                                << QString();
        QTest::newRow("bad address") << QStringList { "--lead", "http://host/c1" } << 1 << QString()
                                     << "zentrel-timer: ブローカーのアドレスが正しくありません";
        QTest::newRow("lead and follow")
            << QStringList { "--lead", "mqtt://h/c", "--follow", "mqtt://h/c" } << 1 << QString()
            << "zentrel-timer: --lead と --follow は同時に使えません";
        QTest::newRow("room of a leader")
            << QStringList { "--lead", "mqtt://h/c", "--room", "101" } << 1 << QString()
            << "zentrel-timer: --room は --follow と一緒に使ってください";
    }

    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run run = runChild(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.startsWith(out), qPrintable(run.out));
        QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.startsWith(err), qPrintable(run.err));
    }

    void versionMatchesManualPage()
    {
        static const QRegularExpression th(QStringLiteral("^\\.TH .*\"zentrel-timer ([^\"]+)\""),
                                           QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = th.match(manualPage());
        QVERIFY(m.hasMatch());
        QCOMPARE(runChild({ QStringLiteral("--version") }).out,
                 QStringLiteral("zentrel-timer %1\n").arg(m.captured(1)));
    }

    void manualPageNamesEveryOption()
    {
        const QSet<QString> inHelp = longOptions(runChild({ QStringLiteral("--help") }).out);
        QVERIFY(inHelp.contains(QStringLiteral("--version")));
        QCOMPARE(longOptions(manualPage()), inHelp);
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
