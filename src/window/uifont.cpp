#include "uifont.h"

#include <QApplication>
#include <cmath>

namespace zentrel {

QFont uiFont(int points)
{
    QFont font(QString::fromLatin1(UiFontFamily));
    font.setStyleHint(QFont::SansSerif);
    // The layout is in 96-dpi pixels, so point sizes are turned into pixels at 96 dpi;
    // Qt's device-pixel scaling enlarges everything together on dense screens.
    font.setPixelSize(points > 0 ? int(std::lround(points * 96.0 / 72.0)) : UiFontPixels);
    return font;
}

void applyUiFont()
{
    QApplication::setFont(uiFont());
}

} // namespace zentrel
