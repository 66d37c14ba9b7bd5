#include "webaddress.h"

namespace zentrel {

WebAddressRead parseWebAddress(const QString &text)
{
    const QString refused = QStringLiteral("--web のアドレス「%1」が正しくありません"
                                           "（[アドレス:]ポート、例 0.0.0.0:8080）")
                                .arg(text);
    const qsizetype colon = text.lastIndexOf(u':');
    QString host = colon < 0 ? QString() : text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool numeric = false;
    const uint port = text.mid(colon + 1).toUInt(&numeric);
    if (!numeric || port == 0 || port > 65535)
        return { {}, refused };
    WebAddress address;
    address.port = quint16(port);
    if (colon >= 0 && !address.address.setAddress(host))
        return { {}, refused };
    return { address, {} };
}

WebLimitsRead parseWebLimits(const QString &text, quint64 openFileLimit)
{
    // Requests, the listening socket, the log, sound and the window want files too.
    constexpr int Reserve = 256 + 64;
    const QStringList parts = text.split(u',');
    bool perNumeric = false, totalNumeric = false;
    const int per = parts.value(0).toInt(&perNumeric);
    const int total = parts.value(1).toInt(&totalNumeric);
    if (parts.size() != 2 || !perNumeric || !totalNumeric || per < 1 || total < per)
        return { {},
                 QStringLiteral("--web-limits「%1」が正しくありません（アドレスごと,合計、"
                                "例 64,200）")
                     .arg(text) };
    if (quint64(total) + Reserve > openFileLimit)
        return { {},
                 QStringLiteral("--web-limits の合計 %1 はファイル数の上限 %2 を超えます"
                                "（ulimit -n を上げてください）")
                     .arg(total)
                     .arg(openFileLimit - qMin<quint64>(openFileLimit, Reserve)) };
    return { { per, total }, {} };
}

} // namespace zentrel
