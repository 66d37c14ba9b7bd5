#pragma once

#include "brokeraddress.h"
#include "roomtopics.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace zentrel {

// QoS 1 for what must arrive; QoS 0 for a state that the next message replaces: the library
// keeps no copy of it to send again after a reconnection, where it would come after the
// fresher state it was overtaken by.
enum class Delivery { AtLeastOnce, LatestOnly };

// The MQTT library behind BrokerLink, and nothing else: one session's calls, made on the
// link's thread (publish() also on its owner's). Every call into the library is in the one
// file that implements this class (mosquittoclient.cpp), so another library is that file and
// its CMake line.
class MqttClient
{
public:
    // Called on the link's thread, from within loop().
    struct Handlers
    {
        std::function<void(bool accepted)> connected; // the broker's answer to the login
        std::function<void(int request)> subscribed; // request: as subscribe() returned
        std::function<void(const char *topic, const char *payload, qsizetype size, Retain retained)>
            message;
    };
    static constexpr int Ok = 0; // what connect() and loop() return while all is well

    MqttClient(const BrokerLogin &login, const QByteArray &clientId, Handlers handlers);
    ~MqttClient();

    // Why the session cannot be set up (TLS files, login); empty when it can.
    QString setupProblem() const { return m_setupProblem; }
    // For the next connection.
    void setWill(const QByteArray &topic, const QByteArray &payload, Retain retain);
    // The first call looks the host up; later ones connect again to the same one.
    int connect(int keepAliveSeconds);
    // Runs the connection for up to `timeoutMs`; anything but Ok: it has ended.
    int loop(int timeoutMs);
    void disconnect(); // sends DISCONNECT: the broker drops the will
    int subscribe(const QByteArray &filter); // QoS 0 towards this client
    bool publish(const QByteArray &topic, const QByteArray &payload, Retain retain,
                 Delivery delivery);

    static bool isTlsFailure(int result);
    static QString describe(int result);

private:
    struct Library;
    std::unique_ptr<Library> m_library;
    QString m_setupProblem;
    QByteArray m_host;
    int m_port = 0;
    bool m_hostKnown = false;
};

} // namespace zentrel
