// libFuzzer target: any text after --web gives an address or a reason and never crashes; an
// address accepted names a port, and written back as [ADDRESS]:PORT reads the same.
#include "web/webaddress.h"

#include <cstdlib>

using namespace zentrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const WebAddressRead read = parseWebAddress(text);
    if (read.problem.isEmpty() == (read.value.port == 0))
        std::abort();
    if (!read.problem.isEmpty()) {
        if (!read.problem.contains(text) || read.value != WebAddress {})
            std::abort();
        return 0;
    }
    const WebAddress &a = read.value;
    const QString written = u"[%1]:%2"_qs.arg(a.address.toString()).arg(a.port);
    if (parseWebAddress(written).value != a)
        std::abort();
    return 0;
}
