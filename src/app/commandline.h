#pragma once

#include "circuit/roomlink.h"
#include "web/doorkeeper.h"
#include "web/webaddress.h"

#include <QStringList>

namespace zentrel {

// What the command line asks of this run. Each option that changes the run becomes a member
// here, initialised to what the program does without it, so that a run without options stays
// the run the operator knows.
struct CommandLine
{
    bool fullScreen = false; // --fullscreen, or implied by --screen
    QString screen; // --screen: a screen's name or number; empty: the window system's choice
    QString logFolder; // --log-dir; empty: the XDG state folder
    // --lead or --follow with the broker's address, --room, --mqtt-cafile, and the password
    // from ZENTREL_MQTT_PASSWORD
    zentrel::RoomLink rooms;
    // --web [ADDRESS:]PORT: the clock's page for browsers; port 0: none
    WebAddress web;
    WebLimits webLimits; // --web-limits PER_ADDRESS,TOTAL
};

// Reads the arguments (the program's path first, after QApplication has taken its own) the
// QCommandLineParser::process() way: --help, --help-all and --version print to standard output
// and end the process with 0; an unknown option or a stray argument prints
// "zentrel-timer: <why>" to standard error and ends it with 1, as does a broker address or
// login that does not fit (in Japanese). Names the application
// zentrel-timer and gives it its version, so it needs the QCoreApplication to exist.
CommandLine processCommandLine(const QStringList &arguments);

} // namespace zentrel
