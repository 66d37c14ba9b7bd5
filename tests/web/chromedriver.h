#pragma once

// Headless Chromium driven through chromedriver's WebDriver JSON on a loopback port. A
// browser that cannot be started fails the test: it is never skipped.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class Browser
{
public:
    // Empty when the browser runs; otherwise why not.
    QString start()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        m_driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_driver.setStandardOutputFile(QProcess::nullDevice());
        m_driver.start(QStringLiteral("chromedriver"), { QStringLiteral("--port=%1").arg(m_port) });
        if (!m_driver.waitForStarted(10000))
            return QStringLiteral("chromedriver did not start: ") + m_driver.errorString();
        for (int i = 0; i < 100 && !call("GET", QStringLiteral("/status")).contains("value"); ++i)
            QTest::qWait(100);
        QStringList args = u"--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                           "--disable-background-networking --disable-component-update "
                           "--disable-sync --autoplay-policy=no-user-gesture-required "
                           "--window-size=1024,768 --user-data-dir="_qs.split(u' ');
        args.last() += m_profile.path();
        const QJsonObject options { { "binary", "/usr/bin/chromium" },
                                    { "args", QJsonArray::fromStringList(args) } };
        const QJsonObject capabilities { { "alwaysMatch",
                                           QJsonObject { { "goog:chromeOptions", options } } } };
        const QJsonObject answer
            = call("POST", QStringLiteral("/session"), { { "capabilities", capabilities } });
        m_session = answer.value("value").toObject().value("sessionId").toString();
        if (m_session.isEmpty())
            return QStringLiteral("no browser session: ")
                + QString::fromUtf8(QJsonDocument(answer).toJson());
        return {};
    }

    ~Browser()
    {
        if (!m_session.isEmpty())
            call("DELETE", session());
        m_driver.terminate();
        m_driver.waitForFinished(5000);
    }

    void open(const QString &url) { call("POST", session() + "/url", { { "url", url } }); }
    // What a script returns, as text.
    QString run(const QString &script)
    {
        return call("POST", session() + "/execute/sync",
                    { { "script", script }, { "args", QJsonArray() } })
            .value("value")
            .toVariant()
            .toString();
    }

private:
    QString session() const { return QStringLiteral("/session/") + m_session; }

    QJsonObject call(const QByteArray &verb, const QString &path, const QJsonObject &body = {})
    {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setTransferTimeout(60000);
        const std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(
            request, verb, verb == "GET" ? QByteArray() : QJsonDocument(body).toJson()));
        QSignalSpy done(reply.get(), &QNetworkReply::finished);
        if (!reply->isFinished())
            done.wait(60000);
        return QJsonDocument::fromJson(reply->readAll()).object();
    }

    QTemporaryDir m_profile;
    QProcess m_driver;
    QNetworkAccessManager m_network;
    quint16 m_port = 0;
    QString m_session;
};
