#pragma once

#include <QByteArray>
#include <QString>

namespace zentrel {

enum class BrokerTransport { Plain, Tls };

// Where a circuit's clock is exchanged: mqtt://[USER@]HOST[:PORT]/CIRCUIT or mqtts://...
struct BrokerAddress
{
    BrokerTransport transport = BrokerTransport::Plain;
    QString user; // empty: no login
    QString host;
    int port = 0;
    QString circuit; // one topic level
};

// Everything needed to log in; the password never comes from the command line.
struct BrokerLogin
{
    BrokerAddress address;
    QByteArray password;
    QString caFile;
};

// A parse or login outcome: the value when `problem` is empty, otherwise a message for the
// operator, in Japanese.
template<typename T>
struct Checked
{
    T value {};
    QString problem;
    bool ok() const { return problem.isEmpty(); }
};

inline constexpr const char *PasswordVariable = "ZENTREL_MQTT_PASSWORD";

Checked<BrokerAddress> parseBrokerAddress(const QString &text);

// Joins the address, the CA file of --mqtt-cafile (may be empty) and the password from
// the environment (ZENTREL_MQTT_PASSWORD) into one login, or says why they do not fit.
Checked<BrokerLogin> brokerLogin(const BrokerAddress &address, const QString &caFile,
                                 const QByteArray &passwordFromEnvironment);

} // namespace zentrel
