#include "platform/window_x11.h"

#include <SDL2/SDL_syswm.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

bool Info(SDL_Window* window, SDL_SysWMinfo* info)
{
    if (!window)
        return false;
    SDL_VERSION(&info->version);
    return SDL_GetWindowWMInfo(window, info) == SDL_TRUE && info->subsystem == SDL_SYSWM_X11 &&
           info->info.x11.display != nullptr;
}

}  // namespace

bool X11IsWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    return Info(window, &info);
}

bool X11WindowSize(SDL_Window* window, int* width, int* height)
{
    SDL_SysWMinfo info;
    if (!Info(window, &info))
        return false;
    XWindowAttributes a;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &a) == 0)
        return false;
    *width = a.width;
    *height = a.height;
    return true;
}

bool X11HasWindowManager(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!Info(window, &info))
        return false;
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == 0)
        return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int rc = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                      &format, &count, &after, &data);
    const bool found = rc == Success && type == XA_WINDOW && count == 1 && data != nullptr;
    if (data)
        XFree(data);
    return found;
}
