#include "awake/x11screenhold.h"

namespace zentrel {

// Built without the X libraries: there is nothing to hold on a bare X server.
struct X11ScreenHold::Server
{
};

std::unique_ptr<X11ScreenHold> X11ScreenHold::start()
{
    return nullptr;
}

X11ScreenHold::~X11ScreenHold() = default;

} // namespace zentrel
