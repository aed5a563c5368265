#pragma once
// The X server as a player meets it: the screen read back from the server, keys and the pointer
// sent through XTest (as a person's devices send them), the cursor image the server shows, and
// the game window's picture (the 640 x 480 frame scaled to fit and centred) in which points of
// the screens' 1333 x 1000 frame are found.

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace xplay {

struct RGB {
    int R = 0, G = 0, B = 0;
};

/// A rectangle of screen pixels.
struct BOX {
    int X = 0, Y = 0, W = 0, H = 0;
};

/// What the server shows as the cursor: its size and how many of its pixels can be seen.
struct CURSORLOOK {
    int Width = 0, Height = 0;
    int Opaque = 0;
};

/// One read-back of the screen, with the game picture's rectangle at that moment.
class SHOT {
public:
    int Width = 0, Height = 0;
    BOX Picture;
    std::vector<std::uint8_t> Pixels;  // RGB rows

    RGB At(int x, int y) const;
    /// Writes the shot as a binary PPM.
    bool Save(const std::string& path) const;
    /// Screen pixel of point (x, y) of the screens' frame (centred, y up).
    void FramePixel(float x, float y, int* px, int* py) const;
    /// Frame point of a screen pixel.
    void PixelFrame(float px, float py, float* x, float* y) const;
    /// Screen rectangle of a frame rectangle given by its centre and size.
    BOX FrameBox(float cx, float cy, float w, float h) const;
    /// Pixels per frame unit.
    float Scale() const { return float(Picture.W) / 1333.0f; }
};

class XSESSION {
public:
    /// Opens $DISPLAY and takes the game's window `window`; false (with a reason on stderr) when
    /// either is missing.
    bool Open(::Window window);
    ~XSESSION();

    /// Reads the whole screen back from the server.
    SHOT Grab() const;

    /// The window's rectangle on the screen and the picture's rectangle in it (the 640 x 480
    /// frame scaled to fit, centred).
    BOX WindowBox() const;
    BOX Picture() const;

    void KeyDown(const char* key);
    void KeyUp(const char* key);
    /// Holds `key` for `ms` milliseconds (a tap shorter than a frame still counts once).
    void Tap(const char* key, int ms = 20);
    void MoveTo(int x, int y);
    /// Moves the pointer by (dx, dy) pixels (under a captured pointer: relative motion).
    void MoveBy(int dx, int dy);
    void Button(int button, bool down);
    /// Down and up `ms` apart where the pointer is.
    void Click(int button = 1, int ms = 30);
    /// Presses the left button at (x0, y0), moves with it held to (x1, y1) in `steps` moves
    /// and lets go there.
    void Drag(int x0, int y0, int x1, int y1, int steps = 12);
    /// Releases every key this session holds.
    void ReleaseAll();

    CURSORLOOK Cursor() const;
    /// Whether the game window holds the input focus.
    bool Focused() const;

private:
    void Flush() const;
    ::Window window_ = 0;
    Display* display_ = nullptr;
    ::Window root_ = 0;
    int width_ = 0, height_ = 0;
    std::vector<std::string> held_;
};

void Sleep(int ms);
/// Milliseconds of a monotonic clock.
long long Now();

}  // namespace xplay
