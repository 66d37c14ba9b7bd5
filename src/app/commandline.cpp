#include "commandline.h"

#include "appversion.h"
#include "circuit/clockmessage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSysInfo>

#include <sys/resource.h>

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
    parser.addOption({ QStringLiteral("lead"),
                       QStringLiteral("Lead a circuit of rooms: publish this clock through the "
                                      "MQTT broker at mqtt[s]://[user@]host[:port]/circuit."),
                       QStringLiteral("address") });
    parser.addOption({ QStringLiteral("follow"),
                       QStringLiteral("Follow the circuit's leader through the broker at this "
                                      "address: show its clock and play its cues here."),
                       QStringLiteral("address") });
    parser.addOption({ QStringLiteral("room"),
                       QStringLiteral("This room's name: in the leader's list with --follow "
                                      "(default: the host name), and on the station-door page."),
                       QStringLiteral("name") });
    parser.addOption({ QStringLiteral("mqtt-cafile"),
                       QStringLiteral("Check an mqtts:// broker's certificate against this CA "
                                      "file. The password comes from ZENTREL_MQTT_PASSWORD."),
                       QStringLiteral("file") });
    parser.addOption({ QStringLiteral("mqtt-trusted-network"),
                       QStringLiteral("Allow the password over mqtt:// (unencrypted) because "
                                      "nobody else can listen on this network.") });
    parser.addOption({ QStringLiteral("circuit-key-file"),
                       QStringLiteral("Sign and check the circuit's messages with the key in "
                                      "this file (owner-only permissions), or set "
                                      "ZENTREL_CIRCUIT_KEY."),
                       QStringLiteral("file") });
    parser.addOption({ QStringLiteral("web"),
                       QStringLiteral("Show the clock to browsers: serve a read-only page at "
                                      "http://ADDRESS:PORT/ (address default 127.0.0.1; "
                                      "0.0.0.0 for the hall's network). Plain http only: "
                                      "managed tablets must allow it for this address. "
                                      "A request must be complete within 5 s and 16 KiB; "
                                      "at most 32 unfinished requests per address, 256 in "
                                      "all; past that, 503 and the page retries."),
                       QStringLiteral("[address:]port") });
    parser.addOption({ QStringLiteral("web-limits"),
                       QStringLiteral("Live page sockets allowed per address (an IPv6 network "
                                      "per /64) and in all (default 64,200: a hall's tablets "
                                      "behind one NAT address)."),
                       QStringLiteral("per-address,total") });
}

[[noreturn]] void refuse(const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", AppName, qUtf8Printable(why));
    std::exit(EXIT_FAILURE);
}

rlim_t openFileLimit()
{
    rlimit limit {};
    return getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : RLIM_INFINITY;
}

QString defaultRoomName()
{
    const QString host = QSysInfo::machineHostName();
    return isRoomName(host) ? host : QStringLiteral("room");
}

// Leading, following or neither; a mistake ends the process as any other does.
zentrel::RoomLink roomLink(const QCommandLineParser &parser)
{
    using zentrel::RoleKind;
    const bool lead = parser.isSet(QStringLiteral("lead"));
    const bool follow = parser.isSet(QStringLiteral("follow"));
    if (lead && follow)
        refuse(QStringLiteral("--lead と --follow は同時に使えません"));
    const QString caFile = parser.value(QStringLiteral("mqtt-cafile"));
    const auto roomName = [&parser](const QString &otherwise) {
        const QString room = parser.isSet(QStringLiteral("room"))
            ? parser.value(QStringLiteral("room"))
            : otherwise;
        if (!room.isEmpty() && !isRoomName(room))
            refuse(QStringLiteral("部屋名「%1」は使えません（1〜%2 文字、制御文字なし）")
                       .arg(room)
                       .arg(MaxRoomNameLength));
        return room;
    };
    if (!lead && !follow) {
        for (const char *option : { "mqtt-cafile", "mqtt-trusted-network", "circuit-key-file" }) {
            if (parser.isSet(QLatin1String(option)))
                refuse(QStringLiteral("--%1 は --lead か --follow と一緒に使ってください")
                           .arg(QLatin1String(option)));
        }
        return { RoleKind::Alone, {}, roomName({}) };
    }
    const Checked<BrokerAddress> address = parseBrokerAddress(
        parser.value(lead ? QStringLiteral("lead") : QStringLiteral("follow")));
    if (!address.ok())
        refuse(address.problem);
    const Checked<BrokerLogin> login = brokerLogin(
        address.value, caFile, qgetenv(PasswordVariable),
        parser.isSet(QStringLiteral("mqtt-trusted-network")) ? NetworkTrust::Trusted
                                                             : NetworkTrust::Untrusted);
    if (!login.ok())
        refuse(login.problem);
    const Checked<QByteArray> key
        = circuitKey(qgetenv(CircuitKeyVariable), parser.value(QStringLiteral("circuit-key-file")));
    if (!key.ok())
        refuse(key.problem);
    zentrel::RoomLink link { lead ? RoleKind::Lead : RoleKind::Follow, login.value, {} };
    link.login.circuitKey = key.value;
    // A follower is always listed by a name; a leader's names only its page.
    link.room = roomName(follow ? defaultRoomName() : QString());
    return link;
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
    line.rooms = roomLink(parser);
    if (parser.isSet(QStringLiteral("web"))) {
        const WebAddressRead web = parseWebAddress(parser.value(QStringLiteral("web")));
        if (!web.problem.isEmpty())
            refuse(web.problem);
        line.web = web.value;
    }
    if (parser.isSet(QStringLiteral("web-limits"))) {
        const WebLimitsRead limits
            = parseWebLimits(parser.value(QStringLiteral("web-limits")), openFileLimit());
        if (!limits.problem.isEmpty())
            refuse(limits.problem);
        line.webLimits = limits.value;
    }
    return line;
}

} // namespace zentrel
