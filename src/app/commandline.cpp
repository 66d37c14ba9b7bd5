#include "commandline.h"

#include "appversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace zentrel {

namespace {

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Countdown clock for station-based practical examinations."));
    parser.addHelpOption();
    parser.addVersionOption();
    // This program's own options go here, each with its member in CommandLine and its
    // paragraph in the manual page.
    parser.addOption({ QStringLiteral("fullscreen"),
                       QStringLiteral("Start in full screen (F11 switches, Esc leaves).") });
    parser.addOption({ QStringLiteral("screen"),
                       QStringLiteral("Start in full screen on this screen: its name (HDMI-1) "
                                      "or its number, from 0."),
                       QStringLiteral("name-or-number") });
    parser.addOption({ QStringLiteral("log-dir"),
                       QStringLiteral("Write the session log in this folder instead of "
                                      "$XDG_STATE_HOME/zentrel-timer."),
                       QStringLiteral("dir") });
}

[[noreturn]] void refuse(const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", AppName, qUtf8Printable(why));
    std::exit(EXIT_FAILURE);
}

} // namespace

CommandLine processCommandLine(const QStringList &arguments)
{
    QCoreApplication::setApplicationName(QLatin1String(AppName));
    QCoreApplication::setApplicationVersion(QLatin1String(AppVersion));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(arguments);
    // The program opens no files named on the command line; a word there is a mistyped option.
    if (const QStringList stray = parser.positionalArguments(); !stray.isEmpty())
        refuse(QStringLiteral("Unexpected argument '%1'.").arg(stray.constFirst()));

    CommandLine line;
    line.screen = parser.value(QStringLiteral("screen"));
    line.fullScreen
        = parser.isSet(QStringLiteral("fullscreen")) || parser.isSet(QStringLiteral("screen"));
    line.logFolder = parser.value(QStringLiteral("log-dir"));
    return line;
}

} // namespace zentrel
