// Form1's full-screen mode: the control table scaled by one factor.
#include "form1.h"

#include "uifont.h"

#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <cmath>

namespace zentrel {

void Form1::addScreenModeKeys()
{
    m_designSize = size();
    auto *toggle = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(toggle, &QShortcut::activated, this, [this] {
        setScreenMode(m_screenMode == ScreenMode::Window ? ScreenMode::FullScreen
                                                         : ScreenMode::Window);
    });
    // Esc is left to the controls while windowed.
    m_leaveFullScreen = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_leaveFullScreen->setEnabled(false);
    connect(m_leaveFullScreen, &QShortcut::activated, this,
            [this] { setScreenMode(ScreenMode::Window); });
}

void Form1::setScreenMode(ScreenMode mode, QScreen *screen)
{
    if (screen) {
        setScreen(screen);
        move(screen->geometry().topLeft());
    }
    if (mode == m_screenMode)
        return;
    m_screenMode = mode;
    m_leaveFullScreen->setEnabled(mode == ScreenMode::FullScreen);
    if (mode == ScreenMode::FullScreen) {
        // A window manager refuses full screen to a window whose size is fixed.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setWindowState(windowState() | Qt::WindowFullScreen);
        // Without a window manager nobody else gives the window the screen.
        setGeometry(this->screen()->geometry());
        fitTo(size());
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setFixedSize(m_designSize);
        applyScale(1.0, {});
    }
}

void Form1::fitTo(QSize area)
{
    const double scale = std::min(double(area.width()) / m_designSize.width(),
                                  double(area.height()) / m_designSize.height());
    applyScale(scale,
               QPoint(int(std::lround((area.width() - scale * m_designSize.width()) / 2)),
                      int(std::lround((area.height() - scale * m_designSize.height()) / 2))));
}

void Form1::applyScale(double scale, QPoint offset)
{
    // Edges are rounded, not sizes, so that controls that meet in the design still meet.
    auto x = [&](int v) {
        return int(std::lround(offset.x() + scale * v));
    };
    auto y = [&](int v) {
        return int(std::lround(offset.y() + scale * v));
    };
    for (const ControlDesign &design : controlTable()) {
        const Label *isLabel = std::get_if<Label>(&design.role);
        QWidget *widget = isLabel ? static_cast<QWidget *>(label(*isLabel))
                                  : control(std::get<Control>(design.role));
        const QRect r = design.geometry;
        widget->setGeometry(
            QRect(QPoint(x(r.left()), y(r.top())),
                  QPoint(x(r.left() + r.width()) - 1, y(r.top() + r.height()) - 1)));
        QFont font = uiFont(design.points);
        if (scale != 1.0)
            font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * scale))));
        else if (design.points == 0)
            font = QFont(); // inherits the application's font again
        widget->setFont(font);
    }
}

void Form1::resizeEvent(QResizeEvent *event)
{
    if (m_screenMode == ScreenMode::FullScreen)
        fitTo(event->size());
    QWidget::resizeEvent(event);
}

} // namespace zentrel
