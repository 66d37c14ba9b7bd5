#pragma once

#include <QString>

class QScreen;

namespace zentrel {

// The screen `nameOrNumber` names: its name as the system gives it (HDMI-1), or its place in
// QGuiApplication::screens() counted from 0. Null when there is none.
QScreen *findScreen(const QString &nameOrNumber);

// "HDMI-1 (0), eDP-1 (1)": what findScreen() knows, for a message.
QString screenList();

} // namespace zentrel
