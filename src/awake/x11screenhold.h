#pragma once

#include <memory>

namespace zentrel {

// Holds off the X server's own screen saver and DPMS for as long as it lives, through a
// connection of its own (the server ends the suspension if that connection drops).
// Kept apart because the X headers' macros clash with Qt's names.
class X11ScreenHold
{
public:
    // Null when DISPLAY is unset or the server cannot be reached.
    static std::unique_ptr<X11ScreenHold> start();
    ~X11ScreenHold(); // lets the screen saver run again and restores DPMS as it was

    X11ScreenHold(const X11ScreenHold &) = delete;
    X11ScreenHold &operator=(const X11ScreenHold &) = delete;

private:
    X11ScreenHold() = default;
    struct Server;
    Server *m_server = nullptr;
};

} // namespace zentrel
