#pragma once

#include <QImage>
#include <QString>

namespace zentrel {

// The page's address as a QR code for a tablet's camera: black modules on white with the
// quiet zone, `scale` pixels a module. Null when the text cannot be encoded.
QImage qrCode(const QString &text, int scale = 4);

} // namespace zentrel
