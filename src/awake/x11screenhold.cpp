#include "awake/x11screenhold.h"

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace zentrel {

struct X11ScreenHold::Server
{
    Display *display = nullptr;
    bool dpmsWasOn = false;
};

std::unique_ptr<X11ScreenHold> X11ScreenHold::start()
{
    const char *name = std::getenv("DISPLAY");
    if (!name || !*name)
        return nullptr;
    Display *display = XOpenDisplay(name);
    if (!display)
        return nullptr;
    std::unique_ptr<X11ScreenHold> hold(new X11ScreenHold);
    hold->m_server = new Server { display };
    int event = 0;
    int error = 0;
    if (XScreenSaverQueryExtension(display, &event, &error))
        XScreenSaverSuspend(display, True);
    if (DPMSQueryExtension(display, &event, &error) && DPMSCapable(display)) {
        CARD16 level = 0;
        BOOL on = False;
        DPMSInfo(display, &level, &on);
        hold->m_server->dpmsWasOn = on;
        if (on)
            DPMSDisable(display);
    }
    XFlush(display);
    return hold;
}

X11ScreenHold::~X11ScreenHold()
{
    Display *display = m_server->display;
    int event = 0;
    int error = 0;
    if (XScreenSaverQueryExtension(display, &event, &error))
        XScreenSaverSuspend(display, False);
    if (m_server->dpmsWasOn)
        DPMSEnable(display);
    XCloseDisplay(display); // flushes
    delete m_server;
}

} // namespace zentrel
