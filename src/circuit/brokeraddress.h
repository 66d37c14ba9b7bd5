#pragma once

#include <QByteArray>
#include <QString>

namespace zentrel {

enum class BrokerTransport { Plain, Tls };
// --mqtt-trusted-network: the operator vouches that nobody can listen on the network, so a
// password may go to an mqtt:// broker.
enum class NetworkTrust { Untrusted, Trusted };

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
    QByteArray circuitKey; // empty: messages are neither signed nor checked
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

inline constexpr const char *CircuitKeyVariable = "ZENTREL_CIRCUIT_KEY";

// Joins the address, the CA file of --mqtt-cafile (may be empty) and the password from
// the environment (ZENTREL_MQTT_PASSWORD) into one login, or says why they do not fit. A
// password goes only over TLS unless the network is trusted.
Checked<BrokerLogin> brokerLogin(const BrokerAddress &address, const QString &caFile,
                                 const QByteArray &passwordFromEnvironment,
                                 NetworkTrust trust = NetworkTrust::Untrusted);

// The circuit key from ZENTREL_CIRCUIT_KEY or from --circuit-key-file (never the command
// line, where every user of the machine can read it). The file must be readable by its
// owner alone. Neither given: no key.
Checked<QByteArray> circuitKey(const QByteArray &fromEnvironment, const QString &keyFile);

} // namespace zentrel
