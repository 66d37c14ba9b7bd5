#include "brokeraddress.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace zentrel {

namespace {
constexpr int PlainPort = 1883;
constexpr int TlsPort = 8883;
constexpr int MaxCircuitLength = 64;

QString problem(const QString &why)
{
    return QStringLiteral("ブローカーのアドレスが正しくありません: %1\n"
                          "形式: mqtt://[ユーザー@]ホスト[:ポート]/回路名 または mqtts://...")
        .arg(why);
}
} // namespace

Checked<BrokerAddress> parseBrokerAddress(const QString &text)
{
    // Host: a DNS name, an IPv4 address or a bracketed IPv6 address. The circuit becomes one
    // topic level, so it holds no '/', '+', '#' or anything a shell or a log could misread.
    static const QRegularExpression shape(QStringLiteral(
        R"(^(mqtts?)://(?:([^@/]+)@)?([A-Za-z0-9.-]+|\[[0-9A-Fa-f:.]+\])(?::([0-9]{1,5}))?/([^/]*)$)"));
    static const QRegularExpression safeCircuit(QStringLiteral("^[A-Za-z0-9._-]+$"));
    static const QRegularExpression safeUser(QStringLiteral("^[A-Za-z0-9._-]+$"));

    Checked<BrokerAddress> out;
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch()) {
        out.problem = problem(QStringLiteral("「%1」").arg(text));
        return out;
    }
    BrokerAddress &a = out.value;
    a.transport
        = m.captured(1) == QLatin1String("mqtts") ? BrokerTransport::Tls : BrokerTransport::Plain;
    a.user = m.captured(2);
    a.host = m.captured(3);
    if (a.host.startsWith(QLatin1Char('[')))
        a.host = a.host.mid(1, a.host.size() - 2);
    a.circuit = m.captured(5);
    if (a.user.contains(QLatin1Char(':'))) {
        out.problem
            = problem(QStringLiteral("パスワードはアドレスに書かず、環境変数 %1 に入れてください")
                          .arg(QLatin1String(PasswordVariable)));
        return out;
    }
    if (!a.user.isEmpty() && !safeUser.match(a.user).hasMatch()) {
        out.problem = problem(QStringLiteral("ユーザー名に使えない文字があります"));
        return out;
    }
    if (a.circuit.isEmpty() || a.circuit.size() > MaxCircuitLength
        || !safeCircuit.match(a.circuit).hasMatch()) {
        out.problem = problem(
            QStringLiteral("回路名は 1〜%1 文字の英数字と . _ - だけです").arg(MaxCircuitLength));
        return out;
    }
    if (m.captured(4).isEmpty()) {
        a.port = a.transport == BrokerTransport::Tls ? TlsPort : PlainPort;
    } else {
        a.port = m.captured(4).toInt();
        if (a.port < 1 || a.port > 65535) {
            out.problem = problem(QStringLiteral("ポート番号は 1〜65535 です"));
            return out;
        }
    }
    return out;
}

Checked<BrokerLogin> brokerLogin(const BrokerAddress &address, const QString &caFile,
                                 const QByteArray &passwordFromEnvironment)
{
    Checked<BrokerLogin> out;
    out.value = { address, passwordFromEnvironment, caFile };
    if (!caFile.isEmpty() && address.transport != BrokerTransport::Tls)
        out.problem = QStringLiteral("--mqtt-cafile は mqtts:// のアドレスと一緒に使ってください");
    else if (!caFile.isEmpty() && !QFileInfo(caFile).isReadable())
        out.problem = QStringLiteral("CA ファイル「%1」を読めません").arg(caFile);
    else if (!passwordFromEnvironment.isEmpty() && address.user.isEmpty())
        out.problem = QStringLiteral(
                          "環境変数 %1 にパスワードがありますが、アドレスにユーザー名がありません"
                          "（mqtt://ユーザー@ホスト/回路名）")
                          .arg(QLatin1String(PasswordVariable));
    return out;
}

} // namespace zentrel
