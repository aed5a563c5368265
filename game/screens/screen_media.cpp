#include "game/screens/screen_media.h"

#include <algorithm>

#include "engine/mesh/qnmesh.h"
#include "engine/util/qnsystem.h"
#include "engine/util/qntimer.h"
#include "game/world/media_util.h"
#include "platform/audio_device.h"
#include "platform/events.h"

namespace {

// Pause between two reads of the counter while waiting for a sound (seconds).
constexpr float kWaitPoll = 0.001f;

}  // namespace

void RegisterTexture(QNRESOURCES& resources, const char* name, const char* file, int count,
                     std::uint32_t columns, std::uint32_t rows)
{
    RegisterTextures(resources, name, file, count, columns, rows);
}

void RegisterSprite(QNRESOURCES& resources, const char* name, const char* file, int count, float width,
                    float height, std::uint32_t columns, std::uint32_t rows)
{
    RegisterTextures(resources, name, file, count, columns, rows);
    RegisterQuad(resources, name, width, height, float(columns), float(rows), 1.0f / float(columns),
                 1.0f / float(rows));
}

void RegisterScreenSound(QNRESOURCES& resources, const char* name, const char* file)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = name;
    s.File = file;
    s.LoadMode = QNSOUND::MONO;
    s.OwnPath = 1;
    resources.AddSound();
}

QNSOUND* PlayScreenSound(QNNODE* node, const char* name, std::uint32_t repeats)
{
    if (!node || !node->Resources)
        return nullptr;
    QNSOUND* sound = node->Resources->FindSound(name);
    if (!sound->HasData() || !sound->HasPath())
        return nullptr;
    sound->Play(repeats);
    return sound;
}

void DressSprite(SPRITENODE* sprite, const char* picture, const char* material, float x, float y, float z)
{
    sprite->SetMaterial(material);
    sprite->SetColour("fullbright");
    sprite->SetTexture(picture);
    sprite->SetMesh(picture);
    sprite->SetTranslation(QNVEC3(x, y, z));
    sprite->UpdateSphereBounds(true);
}

SPRITENODE* MakePictureSprite(QNNODE* parent, const char* name, const char* picture, const char* material,
                              float x, float y)
{
    auto* sprite = new SPRITENODE(parent, name, 0, 0, 0, nullptr, 0);
    DressSprite(sprite, picture, material, x, y);
    return sprite;
}

bool WaitForSound(QNSOUND* sound, double minimum)
{
    const double length = (sound && sound->Segment()) ? sound->Segment()->Seconds() : 0.0;
    const double limit = std::max(minimum, length + 1.0);
    QNTIMER::ReadCounter();
    QNTIMER waited;
    waited.Restart();
    for (;;) {
        if (!PlatformPumpMessages())
            return false;
        QNTIMER::ReadCounter();
        const double t = waited.Elapsed();
        if (t >= limit || (t >= minimum && !(sound && sound->IsPlaying())))
            return true;
        QNSYSTEM::Sleep(kWaitPoll);
    }
}
