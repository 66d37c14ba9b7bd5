#pragma once

#include <QHostAddress>
#include <QString>

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

} // namespace zentrel
