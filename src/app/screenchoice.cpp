#include "screenchoice.h"

#include <QGuiApplication>
#include <QScreen>

namespace zentrel {

QScreen *findScreen(const QString &nameOrNumber)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        if (screen->name() == nameOrNumber)
            return screen;
    }
    bool isNumber = false;
    const int index = nameOrNumber.toInt(&isNumber);
    return isNumber && index >= 0 && index < screens.size() ? screens[index] : nullptr;
}

QString screenList()
{
    QStringList names;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i)
        names << QStringLiteral("%1 (%2)").arg(screens[i]->name()).arg(i);
    return names.join(QStringLiteral(", "));
}

} // namespace zentrel
