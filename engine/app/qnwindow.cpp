#include "engine/app/qnwindow.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/resource/qndisk.h"
#include "engine/resource/qntempfile.h"
#include "engine/util/qnexception.h"
#include "platform/dds.h"
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
    std::vector<std::uint8_t> bytes;
    try {
        QNTEMPFILE temp;
        const QNSTRING path = QNDISK::MakeTempFile(temp, QNSTRING(medium), true);
        if (temp.Missing())
            return false;
        std::ifstream in(path.Text(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;  // an unreadable archive is reported by the first medium the program needs
    }
    DdsImage image;
    std::string error;
    if (!DdsDecode(bytes.data(), bytes.size(), &image, &error))
        return false;
    return PlatformSetWindowIcon(image.argb.data(), int(image.width), int(image.height));
}
