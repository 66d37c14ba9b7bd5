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
    env.insert(QLatin1String(ChildVariable), u"1"_qs);
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
    static const QRegularExpression comment(u"^\\.\\\\\".*$"_qs,
                                            QRegularExpression::MultilineOption);
    return text.remove(comment).replace(u"\\-"_qs, u"-"_qs);
}

QSet<QString> longOptions(const QString &text)
{
    static const QRegularExpression option(u"(?<![\\w-])--[a-z][a-z-]*"_qs);
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
    // Unknown options, --help and --version are QCommandLineParser's; the tests below reach them.
    void strayArgumentRefused()
    {
        QCOMPARE(runChild({}).out, u"run\n"_qs);
        const Run stray = runChild({ u"setting.txt"_qs });
        QCOMPARE(stray.exitCode, 1);
        QCOMPARE(stray.out, QString());
        QCOMPARE(stray.err, u"zentrel-timer: Unexpected argument 'setting.txt'.\n"_qs);
    }

    void versionMatchesManualPage()
    {
        static const QRegularExpression th(u"^\\.TH .*\"zentrel-timer ([^\"]+)\""_qs,
                                           QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = th.match(manualPage());
        QVERIFY(m.hasMatch());
        QCOMPARE(runChild({ u"--version"_qs }).out, u"zentrel-timer %1\n"_qs.arg(m.captured(1)));
    }

    void manualPageNamesEveryOption()
    {
        const QSet<QString> inHelp = longOptions(runChild({ u"--help"_qs }).out);
        QVERIFY(inHelp.contains(u"--version"_qs));
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
