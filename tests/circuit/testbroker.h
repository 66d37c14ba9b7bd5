#pragma once

// A private mosquitto for one test program: loopback only, a free port, no persistence,
// its configuration in a temporary folder; stopped by stop() or the destructor.
#include "circuit/brokeraddress.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

class TestBroker
{
public:
    // A loopback port free at the time of asking.
    static int freePort()
    {
        sockaddr_in address = loopback(0);
        socklen_t size = sizeof address;
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        ::bind(probe, reinterpret_cast<sockaddr *>(&address), size);
        ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size);
        ::close(probe);
        return ntohs(address.sin_port);
    }

    TestBroker()
        : m_port(freePort())
    {
        QFile config(m_dir.filePath(QStringLiteral("mosquitto.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(
            QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n%2")
                .arg(m_port)
                .arg(geteuid() == 0 ? QStringLiteral("user root\n") : QString())
                .toUtf8());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // Should the test itself crash, the broker goes with it.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    }
    ~TestBroker() { stop(); }

    // Bounded: true once the broker accepts connections.
    bool start()
    {
        m_process.start(QStringLiteral("/usr/sbin/mosquitto"),
                        { QStringLiteral("-c"), m_dir.filePath(QStringLiteral("mosquitto.conf")) });
        return m_process.waitForStarted(5000) && QTest::qWaitFor([this] { return accepts(); });
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    void stop()
    {
        if (!isRunning())
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    QString url(const QString &circuit) const
    {
        return QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(m_port).arg(circuit);
    }
    zentrel::BrokerLogin login(const QString &circuit) const
    {
        return { zentrel::parseBrokerAddress(url(circuit)).value, {}, {} };
    }

private:
    static sockaddr_in loopback(int port)
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(quint16(port));
        return address;
    }
    bool accepts() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopback(m_port);
        const bool ok
            = ::connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
        ::close(s);
        return ok;
    }

    int m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
};
