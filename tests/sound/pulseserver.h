#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>

// A PulseAudio server of our own with null sinks (no sound hardware needed), on a socket in
// a private folder. useHere() points this process and its children at it, never at the
// user's server. Every wait is bounded.
class PulseServer
{
public:
    static bool installed()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty();
    }

    ~PulseServer() { stop(); }

    QString socket() const { return m_dir.filePath(QStringLiteral("native")); }

    void useHere() const
    {
        qputenv("PULSE_SERVER", "unix:" + socket().toLocal8Bit());
        qputenv("PULSE_RUNTIME_PATH", m_dir.path().toLocal8Bit());
        qputenv("PULSE_COOKIE", m_dir.filePath(QStringLiteral("cookie")).toLocal8Bit());
    }

    // Starts with one null sink, `sink`, as the default, and returns at once.
    void launch(const QString &sink = QStringLiteral("first"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("PULSE_STATE_PATH"), m_dir.path());
        m_daemon.setProcessEnvironment(env);
        m_daemon.setStandardOutputFile(QProcess::nullDevice());
        m_daemon.setStandardErrorFile(m_dir.filePath(QStringLiteral("log")));
        m_daemon.start(
            QStringLiteral("pulseaudio"),
            { QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
              QStringLiteral("-n"), QStringLiteral("--use-pid-file=no"),
              QStringLiteral("--load=module-null-sink sink_name=%1 rate=48000").arg(sink),
              QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=%1")
                  .arg(socket()) });
    }

    // As launch(); true once the server answers.
    bool start(const QString &sink = QStringLiteral("first"))
    {
        launch(sink);
        if (!m_daemon.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (pactl({ QStringLiteral("info") }))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // As a crash would: no goodbye to the clients.
    void stop()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    bool pactl(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit
            && p.exitCode() == 0;
    }
    bool addSink(const QString &name)
    {
        return pactl({ QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                       QStringLiteral("sink_name=") + name, QStringLiteral("rate=48000") });
    }
    bool setDefaultSink(const QString &name)
    {
        return pactl({ QStringLiteral("set-default-sink"), name });
    }
    bool removeAllSinks()
    {
        return pactl({ QStringLiteral("unload-module"), QStringLiteral("module-null-sink") });
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

// Listens to a sink's monitor as the room would hear it, through parec with a small
// latency; notes when it first hears something loud after being armed.
class MonitorRecorder
{
public:
    static constexpr int Loud = 300; // 16-bit amplitude that counts as sound

    bool start(const QString &sink)
    {
        m_parec.start(QStringLiteral("parec"),
                      { QStringLiteral("--latency-msec=10"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                        QStringLiteral("--raw"), QStringLiteral("-d"),
                        sink + QStringLiteral(".monitor") });
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, &m_parec,
                         [this] { read(); });
        m_clock.start();
        return m_parec.waitForStarted(5000);
    }
    ~MonitorRecorder()
    {
        m_parec.kill();
        m_parec.waitForFinished(5000);
    }

    qint64 bytesHeard() const { return m_bytes; }
    qint64 lastSoundNs() const { return m_lastSoundNs; }
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    // The first loud moment after arm(), or -1.
    qint64 firstSoundNs() const { return m_firstSoundNs; }
    void arm()
    {
        m_firstSoundNs = -1;
        m_armed = true;
    }

private:
    void read()
    {
        const QByteArray chunk = m_parec.readAllStandardOutput();
        m_bytes += chunk.size();
        const auto *s = reinterpret_cast<const std::int16_t *>(chunk.constData());
        bool loud = false;
        for (qsizetype i = 0; i < chunk.size() / 2; ++i)
            loud |= std::abs(int(s[i])) > Loud;
        if (!loud)
            return;
        m_lastSoundNs = m_clock.nsecsElapsed();
        if (m_armed && m_firstSoundNs < 0)
            m_firstSoundNs = m_lastSoundNs;
    }

    QProcess m_parec;
    QElapsedTimer m_clock;
    qint64 m_bytes = 0;
    qint64 m_lastSoundNs = -1;
    qint64 m_firstSoundNs = -1;
    bool m_armed = false;
};
