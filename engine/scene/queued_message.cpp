#include "engine/scene/queued_message.h"

#include <cstdio>
#include <strings.h>

#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/text_mesh.h"

QNQUEUEDMESSAGE::QNQUEUEDMESSAGE(QNNODE* parent, const char* fontTexture, float x, float y, std::uint32_t align,
                                 std::uint32_t displayTime, float charWidth, float charHeight)
    : GAMENODE(parent, "QNQUEUEDMESSAGE", 0, 0x2000044, 4, 0, nullptr, 0), Align(align), DisplayTime(displayTime)
{
    SetMaterial("sprite");
    SetColour("fullbright");
    SetTexture(fontTexture, 0, 0);
    // The block may hold whatever the last registration left in it.
    SetTextMeshParams();
    BuildTextMesh(charWidth, charHeight, kLineSize, 1);
    const float half = float(kLineSize) * charWidth / 2;
    QNMATRIX place;
    place.SetTranslation(align == 0 ? x + half : align == 2 ? x - half : x, y, 0);
    NodeSetTransform(this, place);
    Timer.Init(0);
    Show("");
}

void QNQUEUEDMESSAGE::Show(const char* text)
{
    std::snprintf(shown_, sizeof shown_, "%s", text);
    PrintTextLine(Mesh, shown_, 0, Align);
}

void QNQUEUEDMESSAGE::PostV(const char* format, std::va_list args)
{
    char* line = Lines[WritePos];
    line[0] = '\0';
    if (format)
        std::vsnprintf(line, kLineSize, format, args);
    const char* before = Lines[(WritePos + kLines - 1) % kLines];
    if (Showing && strcasecmp(line, before) == 0) {
        line[0] = '\0';
        return;
    }
    WritePos = (WritePos + 1) % kLines;
    Lines[WritePos][0] = '\0';
}

void QNQUEUEDMESSAGE::Post(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    PostV(format, args);
    va_end(args);
}

void QNQUEUEDMESSAGE::Update()
{
    const double t = Timer.Elapsed();
    if (ReadPos != WritePos) {
        if (Showing && t < double(DisplayTime / 2))
            return;
        const char* line = Lines[ReadPos];
        if (line[0] != '\0' || Showing)
            Show(line);
        Showing = line[0] != '\0';
        if (Showing)
            Timer.Restart();
        ReadPos = (ReadPos + 1) % kLines;
    } else if (Showing && DisplayTime != 0 && t >= double(DisplayTime)) {
        Show("");
        Showing = 0;
    }
}
