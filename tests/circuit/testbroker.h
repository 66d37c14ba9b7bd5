#pragma once

// A private mosquitto for one test program on a free loopback port, no persistence; stopped
// by stop() or the destructor. Shipped: the shipped set-up (scripts/broker.sh) with TLS, the
// CA it made and its accounts lead and room, whose passwords are "lead-secret" and
// "room-secret".
#include "circuit/brokeraddress.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

class TestBroker
{
public:
    explicit TestBroker(bool shipped = false)
    {
        QTcpServer probe; // a port free at the time of asking
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        QFile config(m_dir.filePath(u"mosquitto.conf"_qs));
        m_shipped = shipped;
        if (shipped) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"ZENTREL_LEAD_PASSWORD"_qs, u"lead-secret"_qs);
            env.insert(u"ZENTREL_ROOM_PASSWORD"_qs, u"room-secret"_qs);
            m_process.setProcessEnvironment(env);
            m_process.setProgram(
                QFileInfo(QStringLiteral(__FILE__)).dir().filePath(u"../../scripts/broker.sh"_qs));
            m_process.setArguments({ QString::number(m_port), m_dir.path() });
        } else if (config.open(QIODevice::WriteOnly)) {
            config.write(
                u"listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n%2"_qs.arg(m_port)
                    .arg(geteuid() == 0 ? u"user root\n"_qs : QString())
                    .toUtf8());
            m_process.setProgram(u"/usr/sbin/mosquitto"_qs);
            m_process.setArguments({ u"-c"_qs, config.fileName() });
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // Should the test itself crash, the broker goes with it.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    }
    ~TestBroker() { stop(); }

    // Bounded: true once the broker accepts connections.
    bool start()
    {
        m_process.start();
        return m_process.waitForStarted(5000) && QTest::qWaitFor([this] {
                   QTcpSocket probe;
                   probe.connectToHost(QHostAddress::LocalHost, m_port);
                   return probe.waitForConnected(200);
               });
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    void stop()
    {
        m_process.terminate();
        if (isRunning() && !m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    int port() const { return m_port; }
    // Through another port (a proxy's) if one is given.
    QString url(const QString &circuit, const QString &user = {},
                const QString &host = u"127.0.0.1"_qs, int port = 0) const
    {
        return (m_shipped ? u"mqtts://"_qs : u"mqtt://"_qs) + (user.isEmpty() ? user : user + u'@')
            + u"%1:%2/%3"_qs.arg(host).arg(port ? port : m_port).arg(circuit);
    }
    // Anonymous, or as the shipped set-up's `user` with a file of its set-up as the CA (ca.crt,
    // the one it made, as the README says).
    zentrel::BrokerLogin login(const QString &circuit, const QString &user = {},
                               const QString &caFile = u"ca.crt"_qs,
                               const QString &host = u"127.0.0.1"_qs, int port = 0) const
    {
        return zentrel::brokerLogin(
                   zentrel::parseBrokerAddress(url(circuit, user, host, port)).value,
                   m_shipped ? m_dir.filePath(caFile) : QString(),
                   user.isEmpty() ? QByteArray() : (user + u"-secret"_qs).toUtf8())
            .value;
    }

private:
    bool m_shipped = false;
    int m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
};
