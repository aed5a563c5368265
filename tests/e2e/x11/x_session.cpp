#include "tests/e2e/x11/x_session.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace xplay {

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long long Now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool XSESSION::Open(::Window window)
{
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
        std::fprintf(stderr, "x11-player: cannot open the display\n");
        return false;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "x11-player: the server has no XTest extension\n");
        return false;
    }
    root_ = DefaultRootWindow(display_);
    window_ = window;
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display_, window_, &a)) {
        std::fprintf(stderr, "x11-player: no window 0x%lx\n", static_cast<unsigned long>(window));
        return false;
    }
    XWindowAttributes r{};
    XGetWindowAttributes(display_, root_, &r);
    width_ = r.width;
    height_ = r.height;
    return true;
}

XSESSION::~XSESSION()
{
    if (display_) {
        ReleaseAll();
        XCloseDisplay(display_);
    }
}

SHOT XSESSION::Grab() const
{
    SHOT shot;
    shot.Width = width_;
    shot.Height = height_;
    shot.Picture = Picture();
    shot.Pixels.assign(std::size_t(width_) * std::size_t(height_) * 3, 0);
    XImage* image = XGetImage(display_, root_, 0, 0, unsigned(width_), unsigned(height_), AllPlanes, ZPixmap);
    if (!image)
        return shot;
    const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
                        image->blue_mask == 0xFF && image->byte_order == LSBFirst;
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(image->data) + std::ptrdiff_t(y) * image->bytes_per_line;
        for (int x = 0; x < width_; ++x) {
            std::uint8_t* out = &shot.Pixels[(std::size_t(y) * std::size_t(width_) + std::size_t(x)) * 3];
            if (direct) {
                out[0] = row[x * 4 + 2];
                out[1] = row[x * 4 + 1];
                out[2] = row[x * 4];
            } else {
                const unsigned long p = XGetPixel(image, x, y);
                out[0] = std::uint8_t((p & image->red_mask) >> 16);
                out[1] = std::uint8_t((p & image->green_mask) >> 8);
                out[2] = std::uint8_t(p & image->blue_mask);
            }
        }
    }
    XDestroyImage(image);
    return shot;
}

RGB SHOT::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width || y >= Height || Pixels.empty())
        return {};
    const std::uint8_t* p = &Pixels[(std::size_t(y) * std::size_t(Width) + std::size_t(x)) * 3];
    return {p[0], p[1], p[2]};
}

bool SHOT::Save(const std::string& path) const
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", Width, Height);
    const bool ok = std::fwrite(Pixels.data(), 1, Pixels.size(), f) == Pixels.size();
    return std::fclose(f) == 0 && ok;
}

void SHOT::FramePixel(float x, float y, int* px, int* py) const
{
    *px = int(std::lround(float(Picture.X) + (x + 666.5f) * Scale()));
    *py = int(std::lround(float(Picture.Y) + (500.0f - y) * Scale()));
}

void SHOT::PixelFrame(float px, float py, float* x, float* y) const
{
    *x = (px - float(Picture.X)) / Scale() - 666.5f;
    *y = 500.0f - (py - float(Picture.Y)) / Scale();
}

BOX SHOT::FrameBox(float cx, float cy, float w, float h) const
{
    int l = 0, t = 0;
    FramePixel(cx - w / 2, cy + h / 2, &l, &t);
    return {l, t, int(w * Scale()), int(h * Scale())};
}

BOX XSESSION::WindowBox() const
{
    XWindowAttributes a{};
    XGetWindowAttributes(display_, window_, &a);
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display_, window_, root_, 0, 0, &x, &y, &child);
    return {x, y, a.width, a.height};
}

BOX XSESSION::Picture() const
{
    const BOX w = WindowBox();
    int pw = w.W, ph = w.H;
    if (w.W * 480 > w.H * 640)
        pw = (w.H * 640 + 240) / 480;
    else
        ph = (w.W * 480 + 320) / 640;
    return {w.X + (w.W - pw) / 2, w.Y + (w.H - ph) / 2, pw, ph};
}

void XSESSION::Flush() const
{
    XFlush(display_);
    XSync(display_, False);
}

void XSESSION::KeyDown(const char* key)
{
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(key));
    if (!code) {
        std::fprintf(stderr, "x11-player: no key '%s'\n", key);
        return;
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    Flush();
    if (std::find(held_.begin(), held_.end(), key) == held_.end())
        held_.emplace_back(key);
}

void XSESSION::KeyUp(const char* key)
{
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(key));
    if (!code)
        return;
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    Flush();
    held_.erase(std::remove(held_.begin(), held_.end(), key), held_.end());
}

void XSESSION::Tap(const char* key, int ms)
{
    KeyDown(key);
    Sleep(ms);
    KeyUp(key);
}

void XSESSION::ReleaseAll()
{
    const std::vector<std::string> held = held_;
    for (const std::string& k : held)
        KeyUp(k.c_str());
}

void XSESSION::MoveTo(int x, int y)
{
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    Flush();
}

void XSESSION::MoveBy(int dx, int dy)
{
    XTestFakeRelativeMotionEvent(display_, dx, dy, CurrentTime);
    Flush();
}

void XSESSION::Button(int button, bool down)
{
    XTestFakeButtonEvent(display_, unsigned(button), down ? True : False, CurrentTime);
    Flush();
}

void XSESSION::Click(int button, int ms)
{
    Button(button, true);
    Sleep(ms);
    Button(button, false);
}

void XSESSION::Drag(int x0, int y0, int x1, int y1, int steps)
{
    MoveTo(x0 + 2, y0 + 2);
    Sleep(100);
    MoveTo(x0, y0);
    Sleep(300);
    Button(1, true);
    Sleep(150);
    for (int i = 1; i <= steps; ++i) {
        MoveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        Sleep(60);
    }
    Sleep(300);
    Button(1, false);
}

CURSORLOOK XSESSION::Cursor() const
{
    CURSORLOOK look;
    XFixesCursorImage* image = XFixesGetCursorImage(display_);
    if (!image)
        return look;
    look.Width = image->width;
    look.Height = image->height;
    for (int i = 0; i < int(image->width) * int(image->height); ++i)
        if (((image->pixels[i] >> 24) & 0xFF) > 64)
            ++look.Opaque;
    XFree(image);
    return look;
}

bool XSESSION::Focused() const
{
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    for (::Window w = focus; w && w != root_;) {
        if (w == window_)
            return true;
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, w, &root, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        w = parent;
    }
    return false;
}

}  // namespace xplay
