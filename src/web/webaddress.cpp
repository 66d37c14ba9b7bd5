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

} // namespace zentrel
