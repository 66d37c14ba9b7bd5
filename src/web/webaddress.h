#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace zentrel {

// Where the page is served: --web [ADDRESS:]PORT.
struct WebAddress
{
    QHostAddress address { QHostAddress::LocalHost };
    quint16 port = 0; // 0: no page is served
    friend bool operator==(const WebAddress &, const WebAddress &) = default;
};

// "8080", "0.0.0.0:8080", "[::]:8080". Empty problem when it fits; otherwise why, in Japanese.
struct WebAddressRead
{
    WebAddress value;
    QString problem;
};
WebAddressRead parseWebAddress(const QString &text);

// Live page sockets: per address (an IPv6 peer counted by its /64, as a NAT'd hall's
// tablets share one) and in all. --web-limits changes them.
struct WebLimits
{
    int perAddress = 64;
    int total = 200;
    friend bool operator==(const WebLimits &, const WebLimits &) = default;
};
// "PER_ADDRESS,TOTAL", with TOTAL and the requests' own cap within the open-file limit.
struct WebLimitsRead
{
    WebLimits value;
    QString problem;
};
WebLimitsRead parseWebLimits(const QString &text, quint64 openFileLimit);

} // namespace zentrel
