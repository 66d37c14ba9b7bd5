#pragma once

#include "settingsfile.h"

#include <QString>
#include <array>

// The start-up notice for a read outcome (lines joined with CR LF); empty for Complete.
QString startUpNotice(SettingsReadOutcome outcome);

inline constexpr const char *ExitQuestion = "本当に終了しますか？";

// Asked when the values cannot be saved; OK closes without saving.
QString badBoxMessage(int boxNumber, const QString &text);
QString saveFailedMessage(const SaveResult &result);
