#include "app/test_scene.h"

#include <cmath>

#include <GL/gl.h>

#include "app/standin_display.h"
#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/input/qninput.h"
#include "platform/window.h"

namespace testscene {

namespace {

constexpr std::uint32_t kScanEscape = 0x01;
constexpr std::uint32_t kScanSpace = 0x39;

bool g_requested = false;
bool g_current = false;
bool g_quitRequested = false;
bool g_wireframe = false;
float g_colour[4] = {kColourA[0], kColourA[1], kColourA[2], 1.0f};
float g_angle = 0.0f;
std::uint32_t g_frames = 0;

void Render()
{
    int w = 0, h = 0;
    StandInDisplaySize(&w, &h);
    if (w <= 0 || h <= 0)
        PlatformWindowClientSize(&w, &h);
    glViewport(0, 0, w, h);
    glPolygonMode(GL_FRONT_AND_BACK, g_wireframe ? GL_LINE : GL_FILL);
    glClearColor(g_colour[0], g_colour[1], g_colour[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // A triangle in the middle of the screen, turning with the frame time.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(h > 0 ? static_cast<float>(h) / static_cast<float>(w) : 1.0f, 1.0f, 1.0f);
    glRotatef(g_angle, 0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glColor3f(1.0f, 1.0f, 1.0f);
    glVertex2f(0.0f, 0.4f);
    glColor3f(1.0f, 0.8f, 0.0f);
    glVertex2f(-0.35f, -0.2f);
    glColor3f(0.0f, 0.8f, 0.4f);
    glVertex2f(0.35f, -0.2f);
    glEnd();
    ++g_frames;
}

}  // namespace

void Setup(QNAPPSETTINGS& settings)
{
    settings.Title = "C O R V A N E  ~ by ~  Quennet";
    settings.AcceleratorCommand = 40001;
    settings.ExclusiveInput = 0;
    settings.DeveloperKeys = 1;
    settings.Device.FullScreen = 0;
    QNAPP::CopyDeviceSettings();
}

void Install()
{
    QNAPPSCENES& s = QNAPP::Scenes;
    s.Init = [] {
        g_requested = g_current = g_quitRequested = false;
        g_frames = 0;
    };
    s.RequestFirst = [] { g_requested = true; };
    s.ApplyRequest = [] {
        if (g_quitRequested) {
            g_current = false;
            g_quitRequested = false;
            return;
        }
        if (g_requested) {
            g_requested = false;
            g_current = true;
            QNFRAMESTATS::SceneChanged = 1;
            QNAPP::StepTime(0.0f);
        }
    };
    s.HasCurrent = [] { return g_current; };
    s.NeedsRedraw = [] { return true; };
    s.Update = [] {
        const std::uint32_t key = QNKEYBOARD::KeyEvent() & 0xFF;
        if (key == kScanSpace) {
            const float* next = g_colour[0] == kColourA[0] ? kColourB : kColourA;
            for (int i = 0; i < 3; ++i)
                g_colour[i] = next[i];
        } else if (key == kScanEscape) {
            g_quitRequested = true;
        }
        g_angle = std::fmod(g_angle + 90.0f * QNAPP::dt, 360.0f);
    };
    s.Render = [] { Render(); };
    s.PopAll = [] { g_current = false; };
    s.SetTint = [](bool on) { g_wireframe = on; };
    s.GetBackground = [](float rgba[4]) {
        for (int i = 0; i < 4; ++i)
            rgba[i] = g_colour[i];
    };
    s.SetBackgroundColour = [](float r, float g, float b) {
        g_colour[0] = r;
        g_colour[1] = g;
        g_colour[2] = b;
        g_colour[3] = 1.0f;
    };
}

const float* ClearColour()
{
    return g_colour;
}

std::uint32_t Frames()
{
    return g_frames;
}

}  // namespace testscene
