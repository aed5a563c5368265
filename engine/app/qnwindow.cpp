#include "engine/app/qnwindow.h"

#include "engine/resource/qnimagemedium.h"
#include "engine/util/qnexception.h"
#include "platform/window.h"

std::uint8_t QNWINDOW::DestroyFlag = 0;

void QNWINDOW::Create(const char* title, int width, int height)
{
    DestroyFlag = 0;
    if (!PlatformWindowCreate(title, width, height))
        throw QNGRFDEV_EXC(0, "Unable to create the window. (%s)", PlatformWindowError());
}

void QNWINDOW::Adopt(PlatformWindow* window)
{
    PlatformWindowAdopt(window);
    DestroyFlag = 1;
}

void QNWINDOW::Destroy()
{
    PlatformWindowDestroy();
    DestroyFlag = 0;
}

void QNWINDOW::Resize(int width, int height)
{
    PlatformWindowResize(width, height);
}

PlatformWindow* QNWINDOW::Handle()
{
    return PlatformWindowHandle();
}

bool QNWINDOW::SetIcon(const char* medium)
{
    if (!Handle() || !medium)
        return false;
    DdsImage image;
    if (!QNReadImageMedium(medium, &image))
        return false;
    return PlatformSetWindowIcon(image.argb.data(), int(image.width), int(image.height));
}
