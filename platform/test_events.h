#pragma once
// A scripted event source for tests and the headless harness. Events are queued with the
// number of the pass (an integer the owner advances, usually once per frame) from which they
// may be delivered; PlatformPumpMessages then takes them in pass order (in the order pushed
// within a pass).

#include <cstdint>
#include <deque>

#include <SDL2/SDL.h>

class PlatformScriptedEvents {
public:
    /// When passThrough is set, real SDL events are delivered once the script has none ready.
    explicit PlatformScriptedEvents(bool passThrough = false);
    ~PlatformScriptedEvents();

    /// Becomes the pump's event source (and stops being it when destroyed).
    void Install();
    void Uninstall();

    /// Scripted events become deliverable at or after this pass; Advance moves it on by one.
    void SetPass(std::uint64_t pass) { m_pass = pass; }
    std::uint64_t Pass() const { return m_pass; }
    void Advance() { ++m_pass; }

    void Push(const SDL_Event& event, std::uint64_t atPass = 0);
    void KeyDown(SDL_Keycode key, Uint16 mod = KMOD_NONE, std::uint64_t atPass = 0);
    void KeyUp(SDL_Keycode key, Uint16 mod = KMOD_NONE, std::uint64_t atPass = 0);
    /// Down and up of one key with the given modifiers held.
    void KeyPress(SDL_Keycode key, Uint16 mod = KMOD_NONE, std::uint64_t atPass = 0);
    void MouseButton(bool down, Uint8 button, int x, int y, std::uint64_t atPass = 0);
    void MouseMotion(int x, int y, int dx, int dy, std::uint64_t atPass = 0);
    void Window(SDL_WindowEventID id, std::uint64_t atPass = 0);
    void Quit(std::uint64_t atPass = 0);

    std::size_t Pending() const { return m_queue.size(); }
    void Clear() { m_queue.clear(); }

private:
    struct Entry {
        SDL_Event event;
        std::uint64_t atPass;
    };
    static bool Source(SDL_Event* event, void* context);

    std::deque<Entry> m_queue;
    std::uint64_t m_pass = 0;
    bool m_passThrough;
    bool m_installed = false;
};
