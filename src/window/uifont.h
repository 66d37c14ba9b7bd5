#pragma once

#include <QFont>

namespace zentrel {

// The program's one face. Its lines must be low enough for four help lines in 49 pixels
// and five in 65: IPA Gothic at 11 pixels has 12-pixel lines.
inline constexpr const char *UiFontFamily = "IPAGothic";
inline constexpr int UiFontPixels = 11;

QFont uiFont(int points = 0); // 0: the default size
void applyUiFont();

} // namespace zentrel
