#include "brokeraddress.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace zentrel {

namespace {
constexpr int PlainPort = 1883;
constexpr int TlsPort = 8883;
constexpr int MaxCircuitLength = 64;
constexpr int MinKeyBytes = 16;

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
                                 const QByteArray &passwordFromEnvironment, NetworkTrust trust)
{
    Checked<BrokerLogin> out;
    out.value = { address, passwordFromEnvironment, caFile, {} };
    if (!caFile.isEmpty() && address.transport != BrokerTransport::Tls)
        out.problem = QStringLiteral("--mqtt-cafile は mqtts:// のアドレスと一緒に使ってください");
    else if (!caFile.isEmpty() && !QFileInfo(caFile).isReadable())
        out.problem = QStringLiteral("CA ファイル「%1」を読めません").arg(caFile);
    else if (!passwordFromEnvironment.isEmpty() && address.user.isEmpty())
        out.problem = QStringLiteral(
                          "環境変数 %1 にパスワードがありますが、アドレスにユーザー名がありません"
                          "（mqtt://ユーザー@ホスト/回路名）")
                          .arg(QLatin1String(PasswordVariable));
    else if (!passwordFromEnvironment.isEmpty() && address.transport != BrokerTransport::Tls
             && trust == NetworkTrust::Untrusted)
        out.problem
            = QStringLiteral("パスワードを mqtt:// で送ると、ネットワーク上で誰にでも読まれます。"
                             "mqtts:// を使うか、信頼できるネットワークなら --mqtt-trusted-network "
                             "を付けてください");
    return out;
}

Checked<QByteArray> circuitKey(const QByteArray &fromEnvironment, const QString &keyFile)
{
    Checked<QByteArray> out;
    if (!fromEnvironment.isEmpty() && !keyFile.isEmpty()) {
        out.problem = QStringLiteral("回路の鍵は環境変数 %1 か --circuit-key-file のどちらか一方で"
                                     "指定してください")
                          .arg(QLatin1String(CircuitKeyVariable));
        return out;
    }
    out.value = fromEnvironment;
    if (!keyFile.isEmpty()) {
        QFile file(keyFile);
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
            | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
            | QFileDevice::ExeOther;
        if (!file.open(QIODevice::ReadOnly)) {
            out.problem = QStringLiteral("鍵ファイル「%1」を読めません").arg(keyFile);
            return out;
        }
        if (file.permissions() & others) {
            out.problem = QStringLiteral("鍵ファイル「%1」は他のユーザーも読み書きできます。"
                                         "chmod 600 で持ち主だけにしてください")
                              .arg(keyFile);
            return out;
        }
        out.value = file.read(4096).trimmed();
    }
    if (!out.value.isEmpty() && out.value.size() < MinKeyBytes)
        out.problem = QStringLiteral("回路の鍵が短すぎます（%1 文字以上）").arg(MinKeyBytes);
    return out;
}

} // namespace zentrel
