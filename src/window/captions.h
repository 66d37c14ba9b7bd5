#pragma once

#include <QString>

// Texts the window shows. Label captions join lines with a lone CR, message texts with
// CR LF, as the program has always held them.
inline constexpr const char *WindowTitle = "Zentrel Timer (800*600)  Ver.1.0.0";
inline constexpr const char *MessageTitle = "Zentrel_Timer";
inline constexpr const char *ScreenSaverReminder = "★ スクリーンセーバ を OFF にして下さい ！！";

QString resetHelpCaption(); // Label13
QString skipFiveHelpCaption(); // Label14
QString trimHelpCaption(); // Label16
QString skipToNextHelpCaption(); // Label17
QString aboutText();

// How a held text is drawn: each CR, CR LF or LF starts a new line.
QString displayLines(const QString &held);
