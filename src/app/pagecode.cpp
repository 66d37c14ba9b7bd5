#include "pagecode.h"

#include <qrencode.h>

#include <memory>

namespace zentrel {

QImage qrCode(const QString &text, int scale)
{
    constexpr int QuietModules = 4;
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1),
        &QRcode_free);
    if (!code)
        return {};
    const int side = (code->width + 2 * QuietModules) * scale;
    QImage image(side, side, QImage::Format_Mono);
    image.fill(0);
    image.setColorTable({ qRgb(255, 255, 255), qRgb(0, 0, 0) });
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx)
                    image.setPixel((x + QuietModules) * scale + dx, (y + QuietModules) * scale + dy,
                                   1);
            }
        }
    }
    return image;
}

} // namespace zentrel
