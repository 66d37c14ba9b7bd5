// MqttClient over libmosquitto: the program's only file that calls the library.
#include "mqttclient.h"

#include <mosquitto.h>

namespace zentrel {

namespace {
void initLibraryOnce()
{
    static const int once = mosquitto_lib_init();
    Q_UNUSED(once);
}
} // namespace

struct MqttClient::Library
{
    mosquitto *mosq = nullptr;
    Handlers handlers;
    ~Library()
    {
        if (mosq)
            mosquitto_destroy(mosq);
    }
};

MqttClient::MqttClient(const BrokerLogin &login, const QByteArray &clientId, Handlers handlers)
    : m_library(std::make_unique<Library>())
    , m_host(login.address.host.toUtf8())
    , m_port(login.address.port)
{
    initLibraryOnce();
    m_library->handlers = std::move(handlers);
    mosquitto *mosq = mosquitto_new(clientId.constData(), true, m_library.get());
    m_library->mosq = mosq;
    if (!mosq) {
        m_setupProblem = QStringLiteral("MQTT クライアントを作れません");
        return;
    }
    // The first failure is kept; the link then reports it instead of connecting.
    const auto check = [this](int rc, const char *what) {
        if (rc != MOSQ_ERR_SUCCESS && m_setupProblem.isEmpty())
            m_setupProblem
                = QStringLiteral("ブローカーへの接続を準備できません（%1: %2）")
                      .arg(QLatin1String(what), QString::fromUtf8(mosquitto_strerror(rc)));
    };
    mosquitto_threaded_set(mosq, true);
    mosquitto_connect_callback_set(mosq, [](mosquitto *, void *self, int rc) {
        static_cast<Library *>(self)->handlers.connected(rc == 0);
    });
    mosquitto_subscribe_callback_set(mosq, [](mosquitto *, void *self, int mid, int, const int *) {
        static_cast<Library *>(self)->handlers.subscribed(mid);
    });
    mosquitto_message_callback_set(mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
        static_cast<Library *>(self)->handlers.message(
            m->topic, static_cast<const char *>(m->payload), m->payloadlen,
            m->retain ? Retain::Yes : Retain::No);
    });
    if (!login.address.user.isEmpty()) {
        check(mosquitto_username_pw_set(mosq, login.address.user.toUtf8().constData(),
                                        login.password.isEmpty() ? nullptr
                                                                 : login.password.constData()),
              "username_pw_set");
    }
    if (login.address.transport == BrokerTransport::Tls) {
        if (login.caFile.isEmpty())
            check(mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1), "use_os_certs");
        else
            check(mosquitto_tls_set(mosq, login.caFile.toLocal8Bit().constData(), nullptr, nullptr,
                                    nullptr, nullptr),
                  "tls_set");
        check(mosquitto_tls_opts_set(mosq, 1 /* SSL_VERIFY_PEER */, nullptr, nullptr),
              "tls_opts_set");
        check(mosquitto_tls_insecure_set(mosq, false), "tls_insecure_set");
    }
}

MqttClient::~MqttClient() = default;

void MqttClient::setWill(const QByteArray &topic, const QByteArray &payload, Retain retain)
{
    mosquitto_will_set(m_library->mosq, topic.constData(), int(payload.size()), payload.constData(),
                       1, retain == Retain::Yes);
}

// Only the first call may set the host: connect_async also renews the socket pair that
// publish() on the owner's thread writes to, and by then nothing publishes yet.
int MqttClient::connect(int keepAliveSeconds)
{
    if (std::exchange(m_hostKnown, true))
        return mosquitto_reconnect_async(m_library->mosq);
    return mosquitto_connect_async(m_library->mosq, m_host.constData(), m_port, keepAliveSeconds);
}

int MqttClient::loop(int timeoutMs)
{
    return mosquitto_loop(m_library->mosq, timeoutMs, 1);
}

void MqttClient::disconnect()
{
    mosquitto_disconnect(m_library->mosq);
}

int MqttClient::subscribe(const QByteArray &filter)
{
    int mid = 0;
    mosquitto_subscribe(m_library->mosq, &mid, filter.constData(), 0);
    return mid;
}

bool MqttClient::publish(const QByteArray &topic, const QByteArray &payload, Retain retain,
                         Delivery delivery)
{
    return mosquitto_publish(m_library->mosq, nullptr, topic.constData(), int(payload.size()),
                             payload.constData(), delivery == Delivery::AtLeastOnce ? 1 : 0,
                             retain == Retain::Yes)
        == MOSQ_ERR_SUCCESS;
}

bool MqttClient::isTlsFailure(int result)
{
    return result == MOSQ_ERR_TLS;
}

QString MqttClient::describe(int result)
{
    return QString::fromUtf8(mosquitto_strerror(result));
}

} // namespace zentrel
