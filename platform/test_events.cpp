#include "platform/test_events.h"

#include <algorithm>
#include <cstring>

#include "platform/events.h"

PlatformScriptedEvents::PlatformScriptedEvents(bool passThrough) : m_passThrough(passThrough) {}

PlatformScriptedEvents::~PlatformScriptedEvents()
{
    Uninstall();
}

void PlatformScriptedEvents::Install()
{
    PlatformSetEventSource(&PlatformScriptedEvents::Source, this);
    m_installed = true;
}

void PlatformScriptedEvents::Uninstall()
{
    if (m_installed)
        PlatformSetEventSource(nullptr, nullptr);
    m_installed = false;
}

bool PlatformScriptedEvents::Source(SDL_Event* event, void* context)
{
    auto* self = static_cast<PlatformScriptedEvents*>(context);
    if (!self->m_queue.empty() && self->m_queue.front().atPass <= self->m_pass) {
        *event = self->m_queue.front().event;
        self->m_queue.pop_front();
        return true;
    }
    if (self->m_passThrough && SDL_WasInit(SDL_INIT_EVENTS))
        return SDL_PollEvent(event) != 0;
    return false;
}

void PlatformScriptedEvents::Push(const SDL_Event& event, std::uint64_t atPass)
{
    // Kept in pass order (events of one pass in the order pushed), so an event scripted for an
    // earlier pass never waits behind one pushed before it for a later pass.
    auto at = std::upper_bound(m_queue.begin(), m_queue.end(), atPass,
                               [](std::uint64_t pass, const Entry& e) { return pass < e.atPass; });
    m_queue.insert(at, Entry{event, atPass});
}

// The key map needs the video subsystem; the name tables do not, so scripts may be written
// before the window exists.
static SDL_Scancode ScancodeOf(SDL_Keycode key)
{
    if (key & SDLK_SCANCODE_MASK)
        return static_cast<SDL_Scancode>(key & ~SDLK_SCANCODE_MASK);
    const SDL_Scancode fromMap = SDL_GetScancodeFromKey(key);
    if (fromMap != SDL_SCANCODE_UNKNOWN)
        return fromMap;
    return SDL_GetScancodeFromName(SDL_GetKeyName(key));
}

static SDL_Event KeyEvent(Uint32 type, SDL_Keycode key, Uint16 mod)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = ScancodeOf(key);
    e.key.keysym.mod = mod;
    return e;
}

void PlatformScriptedEvents::KeyDown(SDL_Keycode key, Uint16 mod, std::uint64_t atPass)
{
    Push(KeyEvent(SDL_KEYDOWN, key, mod), atPass);
}

void PlatformScriptedEvents::KeyUp(SDL_Keycode key, Uint16 mod, std::uint64_t atPass)
{
    Push(KeyEvent(SDL_KEYUP, key, mod), atPass);
}

void PlatformScriptedEvents::KeyPress(SDL_Keycode key, Uint16 mod, std::uint64_t atPass)
{
    KeyDown(key, mod, atPass);
    KeyUp(key, mod, atPass);
}

void PlatformScriptedEvents::MouseButton(bool down, Uint8 button, int x, int y, std::uint64_t atPass)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    Push(e, atPass);
}

void PlatformScriptedEvents::MouseMotion(int x, int y, int dx, int dy, std::uint64_t atPass)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    Push(e, atPass);
}

void PlatformScriptedEvents::Window(SDL_WindowEventID id, std::uint64_t atPass)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = static_cast<Uint8>(id);
    Push(e, atPass);
}

void PlatformScriptedEvents::Quit(std::uint64_t atPass)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_QUIT;
    Push(e, atPass);
}
