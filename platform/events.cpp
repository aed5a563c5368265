#include "platform/events.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace {

struct Listener {
    PlatformEventListener fn;
    void* context;
};

PlatformEventSource g_source = nullptr;
void* g_sourceContext = nullptr;
std::vector<Listener> g_listeners;
PlatformWindowProc g_windowProc = nullptr;
std::uint32_t g_accelerator = 0;
bool g_quitPending = false;
std::uint64_t g_pumps = 0;

bool NextEvent(SDL_Event* event)
{
    if (g_source)
        return g_source(event, g_sourceContext);
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return false;
    return SDL_PollEvent(event) != 0;
}

void Dispatch(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_KEYDOWN: {
        const std::uint32_t vk = PlatformVirtualKey(e.key.keysym.sym);
        const std::uint32_t mods = PlatformModifierBits(e.key.keysym.mod);
        if (g_accelerator != 0 && vk == PVK_RETURN && (mods & PMOD_ALT)) {
            if (!e.key.repeat)
                PlatformSendMessage(PM_COMMAND, (std::uintptr_t{1} << 16) | g_accelerator, 0);
            return;
        }
        PlatformSendMessage(PM_KEYDOWN, vk, static_cast<std::intptr_t>(mods));
        return;
    }
    case SDL_KEYUP:
        PlatformSendMessage(PM_KEYUP, PlatformVirtualKey(e.key.keysym.sym),
                            static_cast<std::intptr_t>(PlatformModifierBits(e.key.keysym.mod)));
        return;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT)
            PlatformSendMessage(PM_LBUTTONDOWN, 0, 0);
        return;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT)
            PlatformSendMessage(PM_LBUTTONUP, 0, 0);
        return;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: PlatformSendMessage(PM_SETFOCUS, 0, 0); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: PlatformSendMessage(PM_KILLFOCUS, 0, 0); break;
        case SDL_WINDOWEVENT_CLOSE: PlatformSendMessage(PM_DESTROY, 0, 0); break;
        case SDL_WINDOWEVENT_EXPOSED: PlatformSendMessage(PM_ERASEBKGND, 0, 0); break;
        case SDL_WINDOWEVENT_MINIMIZED: PlatformSendMessage(PM_SIZE, 1, 0); break;
        case SDL_WINDOWEVENT_RESTORED: PlatformSendMessage(PM_SIZE, 0, 0); break;
        default: break;
        }
        return;
    default:
        return;
    }
}

}  // namespace

std::uint32_t PlatformVirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<std::uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<std::uint32_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return PVK_F1 + static_cast<std::uint32_t>(key - SDLK_F1);
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return PVK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return PVK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return PVK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return PVK_MENU;
    case SDLK_ESCAPE: return PVK_ESCAPE;
    case SDLK_SPACE: return PVK_SPACE;
    default: return 0;
    }
}

std::uint32_t PlatformModifierBits(Uint16 mod)
{
    std::uint32_t bits = 0;
    if (mod & KMOD_SHIFT)
        bits |= PMOD_SHIFT;
    if (mod & KMOD_CTRL)
        bits |= PMOD_CONTROL;
    if (mod & KMOD_ALT)
        bits |= PMOD_ALT;
    return bits;
}

void PlatformSetEventSource(PlatformEventSource source, void* context)
{
    g_source = source;
    g_sourceContext = source ? context : nullptr;
}

void PlatformAddEventListener(PlatformEventListener listener, void* context)
{
    if (!listener)
        return;
    for (const Listener& l : g_listeners)
        if (l.fn == listener && l.context == context)
            return;
    g_listeners.push_back({listener, context});
}

void PlatformRemoveEventListener(PlatformEventListener listener, void* context)
{
    g_listeners.erase(std::remove_if(g_listeners.begin(), g_listeners.end(),
                                     [&](const Listener& l) { return l.fn == listener && l.context == context; }),
                      g_listeners.end());
}

void PlatformSetWindowProc(PlatformWindowProc proc)
{
    g_windowProc = proc;
}

std::intptr_t PlatformSendMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)
{
    return g_windowProc ? g_windowProc(message, wparam, lparam) : 0;
}

void PlatformSetAccelerator(std::uint32_t command)
{
    g_accelerator = command;
}

bool PlatformPumpMessages()
{
    ++g_pumps;
    SDL_Event e;
    while (!g_quitPending && NextEvent(&e)) {
        PlatformWindowTrackEvent(e);
        // A listener may remove itself; walk a copy.
        const std::vector<Listener> listeners = g_listeners;
        for (const Listener& l : listeners)
            l.fn(e, l.context);
        if (e.type == SDL_QUIT) {
            g_quitPending = true;
            break;
        }
        Dispatch(e);
    }
    return !g_quitPending;
}

bool PlatformWaitMessages(double seconds)
{
    if (!g_source && SDL_WasInit(SDL_INIT_EVENTS) && !g_quitPending) {
        const int ms = seconds > 0 ? static_cast<int>(seconds * 1000.0) : 0;
        SDL_WaitEventTimeout(nullptr, ms);
    }
    return PlatformPumpMessages();
}

void PlatformPostQuit()
{
    g_quitPending = true;
}

bool PlatformQuitPending()
{
    return g_quitPending;
}

void PlatformClearQuit()
{
    g_quitPending = false;
}

std::uint64_t PlatformPumpCount()
{
    return g_pumps;
}
