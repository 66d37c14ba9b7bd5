#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

// A PulseAudio server of our own with null sinks (no sound hardware needed), on a socket in
// a private folder. useHere() points this process and its children at it, never at the
// user's server. Every wait is bounded.
class PulseServer
{
public:
    static bool installed() { return !QStandardPaths::findExecutable("pulseaudio").isEmpty(); }
    ~PulseServer() { stop(); }
    QString socket() const { return m_dir.filePath("native"); }
    void useHere() const
    {
        qputenv("PULSE_SERVER", "unix:" + socket().toLocal8Bit());
        qputenv("PULSE_RUNTIME_PATH", m_dir.path().toLocal8Bit());
        qputenv("PULSE_COOKIE", m_dir.filePath("cookie").toLocal8Bit());
    }

    // Starts with one null sink, `sink`, as the default, and returns at once.
    void launch(const QString &sink = "first")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir.path());
        env.insert("PULSE_STATE_PATH", m_dir.path());
        m_daemon.setProcessEnvironment(env);
        m_daemon.setStandardOutputFile(QProcess::nullDevice());
        m_daemon.setStandardErrorFile(m_dir.filePath("log"));
        m_daemon.start(
            "pulseaudio",
            { "--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
              "--load=module-null-sink rate=48000 sink_name=" + sink,
              "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket() });
    }

    // As launch(); true once the server answers.
    bool start(const QString &sink = "first")
    {
        launch(sink);
        for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(50)) {
            if (!m_daemon.waitForStarted(5000))
                return false;
            if (pactl({ "info" }))
                return true;
        }
        return false;
    }

    void stop() // as a crash would: no goodbye to the clients
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    bool pactl(const QStringList &args)
    {
        QProcess p;
        p.start("pactl", args);
        return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit
            && p.exitCode() == 0;
    }
    bool addSink(const QString &name)
    {
        return pactl({ "load-module", "module-null-sink", "rate=48000", "sink_name=" + name });
    }
    bool setDefaultSink(const QString &name) { return pactl({ "set-default-sink", name }); }
    bool removeAllSinks() { return pactl({ "unload-module", "module-null-sink" }); }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

// Listens to a sink's monitor as the room would hear it, through parec with a small
// latency; notes when it first hears something loud after being armed.
class MonitorRecorder
{
public:
    ~MonitorRecorder()
    {
        m_parec.kill();
        m_parec.waitForFinished(5000);
    }
    bool start(const QString &sink)
    {
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, &m_parec,
                         [this] { read(); });
        m_parec.start("parec",
                      { "--latency-msec=10", "--format=s16le", "--rate=48000", "--channels=1",
                        "--raw", "-d", sink + ".monitor" });
        m_clock.start();
        return m_parec.waitForStarted(5000);
    }

    qint64 bytesHeard() const { return m_bytes; }
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    qint64 firstSoundNs() const { return m_firstSoundNs; } // after arm(), or -1
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
        for (qsizetype i = 0; i < chunk.size() / 2 && m_armed && m_firstSoundNs < 0; ++i) {
            if (std::abs(int(s[i])) > 300) // loud enough to count as sound
                m_firstSoundNs = m_clock.nsecsElapsed();
        }
    }

    QProcess m_parec;
    QElapsedTimer m_clock;
    qint64 m_bytes = 0;
    qint64 m_firstSoundNs = -1;
    bool m_armed = false;
};
