#pragma once

#include "appversion.h"
#include "settings/settingsfile.h"
#include "statusline/statusline.h"

#include <QString>

namespace zentrel {

// Every text the program shows the operator, apart from the captions in the control
// table and the phases' own texts.
inline constexpr const char *WindowTitle = "Zentrel Timer (800*600)  Ver." ZENTREL_VERSION;
inline constexpr const char *MessageTitle = "Zentrel_Timer";
inline constexpr const char *ScreenSaverReminder = "★ スクリーンセーバ を OFF にして下さい ！！";
inline constexpr const char *StartRefusal = "時間設定が不適切です";
inline constexpr const char *ExitQuestion = "本当に終了しますか？";

QString aboutText();
// Empty for a complete file.
QString startUpNotice(SettingsReadOutcome outcome);
// The session log's word on the settings file read at start-up.
QString settingsOutcomeText(SettingsReadOutcome outcome);
// Asked when the values cannot be saved at exit; OK closes without saving.
QString badBoxMessage(std::size_t slot, const QString &text);
QString saveFailedMessage(const SaveResult &result);

} // namespace zentrel
