// The media table. Entries are grouped by the scene or game class that registers them; sizes
// follow the placements the game code uses (child offsets, connector offsets, glow positions),
// so that every stand-in encloses what hangs on it.

#include "engine/resource/media_manifest.h"

#include <cctype>

namespace {

using ML = QNMESHLOOK;
using TL = QNTEXLOOK;
using SL = QNSOUNDLOOK;

// Fluent builder over QNMEDIAENTRY so that the table reads one medium per line.
struct B {
    QNMEDIAENTRY e;

    constexpr B Series(int n) const { B c = *this; c.e.Count = static_cast<std::uint8_t>(n); return c; }
    constexpr B Guess() const { B c = *this; c.e.Inferred = true; return c; }
    constexpr B Size(int w, int h) const {
        B c = *this;
        c.e.Width = static_cast<std::uint16_t>(w);
        c.e.Height = static_cast<std::uint16_t>(h);
        return c;
    }
    constexpr B Grid(int columns, int rows, float gw = 1.0f, float gh = 1.0f) const {
        B c = *this;
        c.e.Columns = static_cast<std::uint8_t>(columns);
        c.e.Rows = static_cast<std::uint8_t>(rows);
        c.e.GridWidth = gw;
        c.e.GridHeight = gh;
        return c;
    }
    constexpr B Dxt1() const { B c = *this; c.e.Format = QNTEXFORMAT::DXT1; return c; }
    constexpr B Stereo() const { B c = *this; c.e.Channels = 2; c.e.Positional = false; return c; }
    constexpr B Flat() const { B c = *this; c.e.Positional = false; return c; }
    constexpr B Loop() const { B c = *this; c.e.Loops = true; return c; }
};

constexpr QNMEDIAENTRY Blank(const char* path, QNMEDIAKIND kind, std::uint8_t look, std::uint32_t colour) {
    return QNMEDIAENTRY{path, kind, 1, false, look, colour, {0, 0, 0}, {0, 0, 0},
                        0, 0, 1, 1, 1.0f, 1.0f, QNTEXFORMAT::A8R8G8B8,
                        1, false, false, 0.0f, 0.0f};
}

constexpr B Mesh(const char* path, ML look, float x0, float y0, float z0, float x1, float y1, float z1,
                 std::uint32_t colour = 0xFFB0B0B0) {
    B b{Blank(path, QNMEDIAKIND::MESH, static_cast<std::uint8_t>(look), colour)};
    b.e.Min[0] = x0; b.e.Min[1] = y0; b.e.Min[2] = z0;
    b.e.Max[0] = x1; b.e.Max[1] = y1; b.e.Max[2] = z1;
    return b;
}

// Mesh centred on the origin with the given full extents.
constexpr B MeshC(const char* path, ML look, float sx, float sy, float sz, std::uint32_t colour = 0xFFB0B0B0) {
    return Mesh(path, look, -sx / 2, -sy / 2, -sz / 2, sx / 2, sy / 2, sz / 2, colour);
}

constexpr B Tex(const char* path, TL look, std::uint32_t colour, int size = 128) {
    B b{Blank(path, QNMEDIAKIND::TEXTURE, static_cast<std::uint8_t>(look), colour)};
    b.e.Width = static_cast<std::uint16_t>(size);
    b.e.Height = static_cast<std::uint16_t>(size);
    return b;
}

// Positional (3D) mono sound unless changed by Flat() or Stereo().
constexpr B Snd(const char* path, SL look, float seconds, float pitch) {
    B b{Blank(path, QNMEDIAKIND::SOUND, static_cast<std::uint8_t>(look), 0)};
    b.e.Positional = true;
    b.e.Seconds = seconds;
    b.e.Pitch = pitch;
    return b;
}

// Colours of the stand-ins.
constexpr std::uint32_t kSteel = 0xFFB4BCC8, kFrame = 0xFFA8A070, kHq = 0xFFC8CCD8, kPower = 0xFFC8B040,
                        kDock = 0xFF6A9A6A, kIndustry = 0xFFB07840, kPort = 0xFF8070B0, kWeapon = 0xFFA04848,
                        kShip = 0xFFD0D4DC, kMerc = 0xFF707880, kFreighter = 0xFF9A8A60, kRock = 0xFF7C6450,
                        kHud = 0xFF40E060, kHudShip = 0xFF60C0FF, kHudSuit = 0xFFFFB040, kScreen = 0xFF3050A0,
                        kMarket = 0xFF7030A0, kStore = 0xFF306090, kMenu = 0xFF203060, kMercScreen = 0xFF405060,
                        kFire = 0xFFFFA030, kEnergy = 0xFF80C0FF;

constexpr B kTable[] = {
    // Effects (the oldest record of the archive comes first).
    Mesh("media\\effects\\meshes\\flame.gbm", ML::FLAME, -0.3f, -0.3f, 0.0f, 0.3f, 0.3f, 2.0f, kFire),
    Mesh("media\\effects\\meshes\\muzzleflash.gbm", ML::FLAME, -0.5f, -0.5f, 0.0f, 0.5f, 0.5f, 2.0f, kFire),
    MeshC("media\\effects\\meshes\\muzzleflash_flash.gbm", ML::FLASH, 1.2f, 1.2f, 0.02f, kFire),
    Tex("media\\effects\\textures\\flame.dds", TL::GLOW, kFire, 64).Size(64, 128),
    Tex("media\\effects\\textures\\muzzleflash.dds", TL::FLASH, 0xFFFFE0A0, 256).Size(256, 128).Grid(4, 2),
    Tex("media\\effects\\textures\\spark.dds", TL::SPARK, 0xFFFFE070, 32),
    Tex("media\\effects\\textures\\explosion.dds", TL::FRAMES, kFire, 256).Series(5).Grid(4, 4),
    Tex("media\\effects\\textures\\hyperjump\\hyperjump.dds", TL::TUNNEL, kEnergy, 128).Series(18),
    Tex("media\\effects\\textures\\cargoship_hyperspace.dds", TL::FRAMES, kEnergy, 256).Size(256, 128).Grid(4, 2),
    Snd("media\\effects\\sounds\\explosion.wav", SL::BOOM, 1.6f, 55.0f),
    Snd("media\\effects\\sounds\\hyperjump.wav", SL::WHOOSH, 2.2f, 180.0f),
    Snd("media\\effects\\sounds\\freighter_hyperspace.wav", SL::WHOOSH, 1.6f, 120.0f),
    Snd("media\\effects\\sounds\\chipper_asteroid.wav", SL::BOOM, 0.6f, 90.0f),
    Snd("media\\effects\\sounds\\chipper_release.wav", SL::SNAP, 0.3f, 900.0f),

    // In-game scene: theme, load screen, console font, chatter.
    Snd("media\\general\\sounds\\corvanetheme.wav", SL::MUSIC, 8.0f, 110.0f).Stereo().Loop(),
    Tex("media\\screens\\mainmenu\\textures\\loadscreen.dds", TL::BACKDROP, kMenu, 512).Grid(1, 1, 1.0f, 0.75f).Dxt1(),
    Tex("media\\general\\textures\\ruvuzev_font.dds", TL::FONT, 0xFFFFFFFF, 512).Grid(16, 16, 0.9688f, 0.8438f),
    Snd("media\\vehicles\\exterior\\sounds\\chatter.wav", SL::CHATTER, 1.4f, 240.0f).Series(10).Flat(),

    // Debris.
    Tex("media\\station\\debris\\textures\\debris.dds", TL::HULL, 0xFF605850, 128).Dxt1(),
    Tex("media\\station\\debris\\textures\\debris_spark.dds", TL::SPARK, 0xFFC0B090, 64),
    MeshC("media\\station\\debris\\meshes\\debris.gbm", ML::DEBRIS, 2.0f, 0.6f, 1.6f, 0xFF605850).Series(12),
    MeshC("media\\vehicles\\debris\\meshes\\collship_debris.gbm", ML::DEBRIS, 2.4f, 0.6f, 1.8f, kShip).Series(6),

    // Ejection seat.
    Snd("media\\vehicles\\exterior\\sounds\\ejectionseat.wav", SL::WHOOSH, 1.0f, 300.0f),
    Tex("media\\vehicles\\exterior\\textures\\ejectionseat.dds", TL::HULL, 0xFFC04020, 128),
    Mesh("media\\vehicles\\exterior\\meshes\\ejectionseat.gbm", ML::SEAT, -0.5f, -1.1f, -0.6f, 0.5f, 0.9f, 0.6f, 0xFFC04020),
    Mesh("media\\vehicles\\exterior\\meshes\\ejectionseat_pilot.gbm", ML::FIGURE, -0.4f, -0.6f, -0.3f, 0.4f, 0.9f, 0.5f, 0xFFE0E0E0),

    // Site: natural objects, marker, engine glow.
    Tex("media\\natural\\textures\\asteroid.dds", TL::ROCK, kRock, 128).Dxt1(),
    MeshC("media\\natural\\meshes\\asteroid.gbm", ML::ROCK, 12.0f, 10.0f, 11.0f, kRock).Series(2),
    Tex("media\\natural\\textures\\ore.dds", TL::ORE, 0xFFFFFFFF, 64).Series(4),
    MeshC("media\\natural\\meshes\\ore.gbm", ML::CRYSTAL, 2.4f, 2.4f, 2.4f, 0xFFD0D0D0).Series(3),
    Mesh("media\\station\\support\\meshes\\arrow.gbm", ML::ARROW, -0.6f, -0.6f, -3.0f, 0.6f, 0.6f, 0.0f, 0xFFFF0000),
    Tex("media\\vehicles\\exterior\\textures\\engine_glow_blue.dds", TL::GLOW, 0xFF70A0FF, 64),

    // Station: frame, headquarters, generator, enhancer.
    Snd("media\\station\\support\\sounds\\station_power.wav", SL::BEEP, 0.8f, 330.0f).Series(2),
    Snd("media\\station\\support\\sounds\\station_welding.wav", SL::WELD, 0.7f, 2000.0f),
    MeshC("media\\station\\support\\meshes\\beam.gbm", ML::BEAM, 8.0f, 0.8f, 0.8f, kFrame).Guess(),
    Tex("media\\station\\support\\textures\\beam.dds", TL::HULL, kFrame).Series(2).Guess(),
    MeshC("media\\station\\support\\meshes\\joint.gbm", ML::JOINT, 2.0f, 2.0f, 2.0f, kSteel).Guess(),
    Tex("media\\station\\support\\textures\\joint.dds", TL::HULL, kSteel).Series(2).Guess(),
    Mesh("media\\station\\support\\meshes\\headq.gbm", ML::HEADQUARTERS, -4.0f, -4.5f, -4.0f, 4.0f, 6.0f, 4.0f, kHq).Guess(),
    Tex("media\\station\\support\\textures\\headq.dds", TL::HULL, kHq).Series(2).Guess(),
    Tex("media\\station\\support\\textures\\headq_glow_white.dds", TL::GLOW, 0xFFFFFFFF, 64).Guess(),
    Tex("media\\station\\support\\textures\\headq_glow_red.dds", TL::GLOW, 0xFFFF2020, 64).Guess(),
    Mesh("media\\station\\support\\meshes\\generator.gbm", ML::GENERATOR, -2.5f, -2.0f, -2.5f, 2.5f, 0.4f, 2.5f, kPower).Guess(),
    Mesh("media\\station\\support\\meshes\\generator_reactors.gbm", ML::RING, -2.2f, -0.3f, -2.2f, 2.2f, 0.5f, 2.2f, kPower).Guess(),
    MeshC("media\\station\\support\\meshes\\generator_fusion.gbm", ML::SPHERE, 1.4f, 1.4f, 1.4f, 0xFFFFF080).Guess(),
    Tex("media\\station\\support\\textures\\generator.dds", TL::HULL, kPower).Series(2).Guess(),
    Tex("media\\station\\support\\textures\\generator_fusion.dds", TL::FRAMES, 0xFFFFF080, 256).Grid(4, 4).Guess(),
    Snd("media\\station\\support\\sounds\\generator.wav", SL::HUM, 2.0f, 60.0f).Loop().Guess(),
    MeshC("media\\station\\support\\meshes\\enhancer.gbm", ML::BLOCK, 9.2f, 3.0f, 3.0f, 0xFF50C0C0).Guess(),
    Tex("media\\station\\support\\textures\\enhancer.dds", TL::HULL, 0xFF50C0C0).Series(2).Guess(),
    Tex("media\\station\\support\\textures\\enhancer_label.dds", TL::CELLS, 0xFFFFFFFF, 256).Size(256, 128).Grid(4, 2).Guess(),
    Snd("media\\station\\support\\sounds\\enhancer.wav", SL::HUM, 2.0f, 150.0f).Loop().Guess(),

    // Station: collector-ship dock.
    Mesh("media\\station\\support\\meshes\\collshipdock.gbm", ML::DOCK, -4.0f, -0.5f, -9.0f, 4.0f, 3.5f, 6.0f, kDock).Guess(),
    Mesh("media\\station\\support\\meshes\\collshipdock_door.gbm", ML::PLATE, -3.5f, -0.1f, -4.0f, 3.5f, 0.1f, 4.0f, kDock).Guess(),
    Mesh("media\\station\\support\\meshes\\collshipdock_tower.gbm", ML::TOWER, -0.6f, -0.9f, -0.6f, 0.6f, 1.2f, 0.6f, kDock).Guess(),
    Tex("media\\station\\support\\textures\\collshipdock.dds", TL::HULL, kDock).Series(2).Guess(),
    Tex("media\\station\\support\\textures\\collshipdock_tower.dds", TL::HULL, kDock).Series(2).Guess(),
    Tex("media\\station\\support\\textures\\collshipdock_tower_display.dds", TL::CELLS, 0xFF30FF30, 256).Grid(8, 4).Guess(),
    Snd("media\\station\\support\\sounds\\collshipdock.wav", SL::SERVO, 1.2f, 220.0f),

    // Station: ore processor and storage.
    Mesh("media\\station\\support\\meshes\\processor.gbm", ML::BLOCK, -4.5f, -4.5f, -2.5f, 1.5f, 3.0f, 2.5f, kIndustry).Guess(),
    Mesh("media\\station\\support\\meshes\\processor_gearbox.gbm", ML::BLOCK, -0.6f, -0.6f, -0.6f, 0.6f, 1.4f, 0.6f, kIndustry).Guess(),
    Mesh("media\\station\\support\\meshes\\processor_smallarm.gbm", ML::BLOCK, -0.15f, -0.15f, -0.1f, 0.15f, 0.15f, 0.6f, kIndustry).Guess(),
    Mesh("media\\station\\support\\meshes\\processor_largearm.gbm", ML::BLOCK, -1.9f, -0.2f, -0.2f, 1.9f, 0.2f, 0.2f, kIndustry).Guess(),
    Tex("media\\station\\support\\textures\\processor.dds", TL::HULL, kIndustry).Series(2).Guess(),
    Tex("media\\station\\support\\textures\\processor_chip.dds", TL::CELLS, 0xFFD0A060, 64).Grid(2, 2).Guess(),
    Snd("media\\station\\support\\sounds\\processor.wav", SL::SERVO, 2.0f, 80.0f).Loop().Guess(),
    Mesh("media\\station\\support\\meshes\\storage.gbm", ML::BLOCK, -2.0f, -2.0f, -2.0f, 2.0f, 2.0f, 2.0f, kIndustry).Guess(),
    MeshC("media\\station\\support\\meshes\\storage_chamber.gbm", ML::CYLINDER, 1.4f, 0.8f, 1.4f, kIndustry).Series(4).Guess(),
    Tex("media\\station\\support\\textures\\storage.dds", TL::HULL, kIndustry).Series(2).Guess(),
    Snd("media\\station\\support\\sounds\\storage.wav", SL::SERVO, 1.0f, 110.0f).Series(2).Guess(),

    // Station: cargo port and pods.
    Mesh("media\\station\\support\\meshes\\cargoport.gbm", ML::BERTH, -3.5f, -5.0f, -10.5f, 3.5f, 4.0f, 0.5f, kPort).Guess(),
    Tex("media\\station\\support\\textures\\cargoport.dds", TL::HULL, kPort).Series(2).Guess(),
    MeshC("media\\station\\support\\meshes\\cargopod.gbm", ML::CANISTER, 1.0f, 1.0f, 1.4f, kFreighter).Guess(),
    Tex("media\\station\\support\\textures\\cargopod.dds", TL::HULL, kFreighter, 64).Guess(),

    // Station weapons.
    Mesh("media\\station\\weapons\\meshes\\antiship.gbm", ML::TURRET, -5.0f, -1.0f, -2.0f, 5.0f, 1.9f, 2.0f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\antiship_radar.gbm", ML::DISH, -1.2f, 0.0f, -1.2f, 1.2f, 1.6f, 1.2f, kWeapon),
    Mesh("media\\projectiles\\meshes\\antiship_missile.gbm", ML::MISSILE, -0.3f, -0.3f, -1.1f, 0.3f, 0.3f, 1.1f, 0xFFE0E0E0),
    Tex("media\\station\\weapons\\textures\\antiship.dds", TL::HULL, kWeapon).Series(2),
    Snd("media\\projectiles\\sounds\\missile.wav", SL::HISS, 1.5f, 400.0f).Loop(),

    Mesh("media\\station\\weapons\\meshes\\flackgun.gbm", ML::TURRET, -2.0f, -1.0f, -3.5f, 2.0f, 1.4f, 1.5f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\flackgun_casing.gbm", ML::BLOCK, -1.2f, -0.3f, -1.2f, 1.2f, 1.2f, 1.0f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\flackgun_guns.gbm", ML::GUNS, -1.0f, -0.3f, -0.3f, 1.0f, 0.3f, 3.1f, kWeapon),
    Tex("media\\station\\weapons\\textures\\flackgun.dds", TL::HULL, kWeapon).Series(2),
    Snd("media\\station\\weapons\\sounds\\flackgun.wav", SL::SNAP, 0.6f, 160.0f),

    Mesh("media\\station\\weapons\\meshes\\midrangeturret.gbm", ML::TURRET, -1.8f, -1.0f, -1.8f, 1.8f, 1.0f, 1.8f, kWeapon).Guess(),
    Mesh("media\\station\\weapons\\meshes\\midrangeturret_gun.gbm", ML::GUNS, -0.6f, -0.3f, -0.4f, 0.6f, 0.3f, 2.8f, kWeapon).Guess(),
    Tex("media\\station\\weapons\\textures\\midrangeturret.dds", TL::HULL, kWeapon).Series(2).Guess(),
    Snd("media\\station\\weapons\\sounds\\midrangeturret.wav", SL::SNAP, 0.15f, 700.0f).Guess(),

    Mesh("media\\station\\weapons\\meshes\\shortrangeturret.gbm", ML::TURRET, -1.5f, -1.0f, -1.5f, 1.5f, 2.2f, 1.5f, kWeapon).Guess(),
    Mesh("media\\station\\weapons\\meshes\\shortrangeturret_casing.gbm", ML::BLOCK, -1.0f, -0.6f, -0.8f, 1.0f, 0.6f, 1.6f, kWeapon).Guess(),
    Mesh("media\\station\\weapons\\meshes\\shortrangeturret_innergun.gbm", ML::GUNS, -0.4f, -0.2f, -0.5f, 0.4f, 0.2f, 1.5f, kWeapon).Guess(),
    Mesh("media\\station\\weapons\\meshes\\shortrangeturret_outergun.gbm", ML::GUNS, -0.5f, -0.25f, -0.5f, 0.5f, 0.25f, 1.6f, kWeapon).Guess(),
    Tex("media\\station\\weapons\\textures\\shortrangeturret.dds", TL::HULL, kWeapon).Series(2).Guess(),
    Snd("media\\station\\weapons\\sounds\\shortrangeturret.wav", SL::SNAP, 0.12f, 900.0f).Guess(),

    Mesh("media\\station\\weapons\\meshes\\minelauncher.gbm", ML::TURRET, -2.0f, -1.0f, -2.0f, 2.0f, 1.5f, 2.0f, kWeapon),
    Tex("media\\station\\weapons\\textures\\minelauncher.dds", TL::HULL, kWeapon).Series(2).Guess(),
    MeshC("media\\projectiles\\meshes\\mine.gbm", ML::MINE, 1.6f, 1.6f, 1.6f, 0xFFC03030),
    Tex("media\\projectiles\\textures\\mine.dds", TL::HULL, 0xFFC03030, 64),
    Snd("media\\station\\weapons\\sounds\\minelauncher.wav", SL::SERVO, 0.8f, 140.0f),

    Mesh("media\\station\\weapons\\meshes\\neutronemitter.gbm", ML::TURRET, -1.5f, -1.0f, -1.5f, 1.5f, 1.0f, 1.5f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\neutronemitter_projector.gbm", ML::GUNS, -0.5f, -0.5f, -0.8f, 0.5f, 0.5f, 4.0f, kWeapon),
    Tex("media\\station\\weapons\\textures\\neutronemitter.dds", TL::HULL, kWeapon).Series(2).Guess(),
    Tex("media\\projectiles\\textures\\neutronemitter_beam.dds", TL::BEAM, 0xFFA0A0FF, 256).Size(256, 128).Grid(4, 2),
    Snd("media\\station\\weapons\\sounds\\neutronemitter.wav", SL::ZAP, 1.0f, 120.0f).Guess(),
    // One beam segment: 5 long along -x, so that turned about y it runs along the beam.
    Mesh("media\\projectiles\\meshes\\neutronemitter_beam.gbm", ML::STREAK, -5.0f, -0.35f, -0.35f, 0.0f, 0.35f, 0.35f, 0xFFA0A0FF).Guess(),
    // The mine's proximity sensor: a sphere of radius 6 (the mine's reach before it is touched).
    MeshC("media\\projectiles\\meshes\\mine_sensor.gbm", ML::SPHERE, 12.0f, 12.0f, 12.0f, 0xFFC03030).Guess(),

    Mesh("media\\station\\weapons\\meshes\\shockwave.gbm", ML::GENERATOR, -2.5f, -2.5f, -2.5f, 2.5f, 0.5f, 2.5f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\shockwave_wing.gbm", ML::PLATE, -1.0f, -0.1f, -2.6f, 1.0f, 0.1f, 0.0f, kWeapon),
    Tex("media\\station\\weapons\\textures\\shockwave.dds", TL::HULL, kWeapon).Series(2).Guess(),
    Tex("media\\projectiles\\textures\\shockwave_energyball.dds", TL::FRAMES, kEnergy, 256).Grid(4, 4),
    Snd("media\\projectiles\\sounds\\shockwave_energyball.wav", SL::ZAP, 2.0f, 70.0f),
    // The energy ball at scale 1: radius 25 (its damage radius grows with the scale).
    MeshC("media\\projectiles\\meshes\\shockwave_energyball.gbm", ML::SPHERE, 50.0f, 50.0f, 50.0f, kEnergy).Guess(),
    Snd("media\\station\\weapons\\sounds\\shockwave_wing.wav", SL::SERVO, 1.0f, 180.0f).Guess(),

    Mesh("media\\station\\weapons\\meshes\\earlywarning.gbm", ML::TOWER, -1.2f, -1.0f, -1.2f, 1.2f, 3.0f, 1.2f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\earlywarning_wing.gbm", ML::PLATE, -0.1f, -0.8f, 0.0f, 0.1f, 0.8f, 2.2f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\earlywarning_dish.gbm", ML::DISH, -1.0f, 0.0f, -1.0f, 1.0f, 1.0f, 1.0f, kWeapon),
    Tex("media\\station\\weapons\\textures\\earlywarning.dds", TL::HULL, kWeapon).Series(2),
    Snd("media\\station\\weapons\\sounds\\earlywarning.wav", SL::HUM, 2.0f, 440.0f).Loop(),
    Snd("media\\station\\weapons\\sounds\\intruder_alarm.wav", SL::ALARM, 1.5f, 660.0f),

    Mesh("media\\station\\weapons\\meshes\\mercshipdock.gbm", ML::DOCK, -4.0f, -1.0f, -4.0f, 4.0f, 4.5f, 4.0f, kWeapon),
    Mesh("media\\station\\weapons\\meshes\\mercshipdock_radar.gbm", ML::DISH, -1.0f, 0.0f, -1.0f, 1.0f, 1.2f, 1.0f, kWeapon),
    Tex("media\\station\\weapons\\textures\\mercshipdock.dds", TL::HULL, kWeapon).Series(2),

    // Stars and comet.
    // Sections sit 686 apart; 600 high keeps the caps inside the far plane (1000) from the
    // centre, and the black gaps between them vanish against black space.
    MeshC("media\\natural\\meshes\\stars.gbm", ML::STARS, 1200.0f, 560.0f, 1200.0f, 0xFFFFFFFF).Series(3),
    Tex("media\\natural\\textures\\stars.dds", TL::STARS, 0xFFFFFFFF, 256).Series(3).Dxt1(),
    Tex("media\\natural\\textures\\comet.dds", TL::COMET, 0xFFC0E0FF, 256).Size(256, 64),
    // The sun's disc: a warm glow fading to the edge.
    Tex("media\\natural\\textures\\sun.dds", TL::GLOW, 0xFFFFF0B0, 128),

    // Common HUD.
    Tex("media\\vehicles\\hud\\common\\textures\\hud_pointerarrow.dds", TL::CELLS, kHud, 64),
    Tex("media\\vehicles\\hud\\common\\textures\\hud_rankingdisplay.dds", TL::PANEL, kHud, 256),
    Tex("media\\vehicles\\hud\\common\\textures\\hud_marker.dds", TL::CELLS, kHud, 256).Size(256, 128).Grid(4, 2),
    Tex("media\\vehicles\\hud\\common\\textures\\hud_siteindicator.dds", TL::CELLS, kHud, 128).Grid(2, 2),
    Tex("media\\vehicles\\hud\\common\\textures\\hud_companyicon.dds", TL::CELLS, kHud, 128).Grid(2, 2),
    Tex("media\\vehicles\\hud\\common\\textures\\hud_chippedoremarker.dds", TL::CELLS, 0xFFFFD040, 128).Grid(2, 2),
    Snd("media\\vehicles\\exterior\\sounds\\collision.wav", SL::THUD, 0.5f, 70.0f),
    Snd("media\\general\\sounds\\bump.wav", SL::THUD, 0.3f, 120.0f),

    // Suit and suit HUD.
    Tex("media\\vehicles\\exterior\\textures\\suit.dds", TL::HULL, 0xFFE8E8E0),
    Mesh("media\\vehicles\\exterior\\meshes\\suit.gbm", ML::FIGURE, -0.6f, -0.9f, -0.4f, 0.6f, 0.9f, 0.4f, 0xFFE8E8E0),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_helmettop.dds", TL::VISORTOP, kHudSuit, 512).Size(512, 128),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_helmetbottom.dds", TL::VISORBOTTOM, kHudSuit, 512).Size(512, 256),
    Snd("media\\vehicles\\exterior\\sounds\\suitthrust.wav", SL::HISS, 1.0f, 800.0f).Loop(),
    Snd("media\\vehicles\\exterior\\sounds\\suitbreath.wav", SL::BREATH, 4.0f, 300.0f).Loop(),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_reticle.dds", TL::CELLS, kHudSuit, 128),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_cargoshipindicator.dds", TL::CELLS, kHudSuit, 128),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_collshipindicator.dds", TL::CELLS, kHudSuit, 128),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_progressmeter.dds", TL::METER, kHudSuit, 256).Grid(4, 4),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_cargopod.dds", TL::CELLS, kHudSuit, 64),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_inventory.dds", TL::CELLS, kHudSuit, 512).Size(512, 256).Grid(8, 4),
    Tex("media\\vehicles\\hud\\suit\\textures\\suithud_overloadicon.dds", TL::CELLS, 0xFFFF4040, 128).Size(128, 64).Grid(2, 1),

    // Collector ship, mercenary look, cockpit and ship HUD.
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_reticle.dds", TL::CELLS, kHudShip, 256).Size(256, 128).Grid(2, 1),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_threaticon.dds", TL::CELLS, 0xFFFF5050, 128).Grid(2, 2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_countermeter.dds", TL::METER, kHudShip, 256).Size(256, 128).Grid(4, 2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_proxmeter.dds", TL::PANEL, kHudShip, 32).Size(32, 256),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_weaponicon.dds", TL::CELLS, kHudShip, 256).Size(256, 128).Grid(4, 2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_throttle.dds", TL::PANEL, kHudShip, 64).Size(64, 256),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_damage.dds", TL::METER, 0xFFFF8040, 128).Grid(2, 2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_approachcube.dds", TL::PANEL, kHudShip, 256),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_elecdamage.dds", TL::PANEL, 0xFF80A0FF, 256).Size(256, 128),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_approachcube_label.dds", TL::PANEL, kHudShip, 256).Size(256, 32),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_approachcube_corner.dds", TL::PANEL, kHudShip, 64).Size(64, 32),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_order_workorder.dds", TL::PANEL, kHudShip, 256),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_order_checkbox.dds", TL::CELLS, kHudShip, 128).Size(128, 64).Grid(2, 1),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_order_oreicon.dds", TL::ORE, 0xFFFFFFFF, 256).Grid(4, 4),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_order_icon.dds", TL::CELLS, kHudShip, 256).Size(256, 128).Grid(4, 2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_orecollected.dds", TL::CELLS, 0xFFFFD040, 128),
    Snd("media\\vehicles\\hud\\ship\\sounds\\orecollected.wav", SL::BEEP, 0.4f, 880.0f).Flat(),
    Snd("media\\vehicles\\hud\\ship\\sounds\\weapon_change.wav", SL::CLICK, 0.15f, 1200.0f).Flat(),
    Snd("media\\vehicles\\hud\\ship\\sounds\\missile_warning.wav", SL::ALARM, 1.0f, 990.0f).Flat(),

    // Ship weapons.
    Tex("media\\projectiles\\textures\\chipper.dds", TL::HULL, 0xFFC0C0C0, 64),
    MeshC("media\\projectiles\\meshes\\chipper.gbm", ML::MISSILE, 0.3f, 0.3f, 0.8f, 0xFFC0C0C0),
    MeshC("media\\natural\\meshes\\rock.gbm", ML::ROCK, 3.0f, 2.4f, 2.6f, kRock).Series(6),
    Tex("media\\vehicles\\weapons\\textures\\cheetah_missile.dds", TL::HULL, 0xFFE0E0E0, 64),
    Tex("media\\vehicles\\weapons\\textures\\cheetah_missile_glow.dds", TL::GLOW, 0xFFFFB060, 64),
    MeshC("media\\vehicles\\weapons\\meshes\\cheetah_missile.gbm", ML::MISSILE, 0.5f, 0.5f, 2.0f, 0xFFE0E0E0),
    Snd("media\\vehicles\\weapons\\sounds\\cheetah_missile.wav", SL::HISS, 1.5f, 500.0f).Loop(),
    Tex("media\\vehicles\\weapons\\textures\\devastator.dds", TL::RING, 0xFFFF80FF, 256),
    Tex("media\\vehicles\\weapons\\textures\\em2_beam.dds", TL::BEAM, 0xFF80FFC0, 256).Size(256, 128).Grid(4, 2),
    Tex("media\\vehicles\\weapons\\textures\\em2_beam_ring.dds", TL::RING, 0xFF80FFC0, 128),
    Snd("media\\vehicles\\weapons\\sounds\\em_two.wav", SL::ZAP, 1.0f, 220.0f),
    Tex("media\\vehicles\\weapons\\textures\\ironman_contact.dds", TL::FLASH, 0xFFFFE0A0, 128).Grid(2, 2),
    Tex("media\\vehicles\\weapons\\textures\\ironman_insideflash.dds", TL::FLASH, 0xFFFFF0C0, 256).Series(4),
    Snd("media\\vehicles\\weapons\\sounds\\ironman.wav", SL::SNAP, 0.5f, 600.0f).Loop(),
    Snd("media\\vehicles\\weapons\\sounds\\ironman_hit.wav", SL::SNAP, 0.25f, 1500.0f),
    Snd("media\\vehicles\\weapons\\sounds\\rec.wav", SL::BEEP, 1.0f, 1320.0f).Loop(),
    Tex("media\\vehicles\\weapons\\textures\\rec_canister.dds", TL::HULL, 0xFFE0C020, 64),
    MeshC("media\\vehicles\\weapons\\meshes\\rec_canister.gbm", ML::CANISTER, 0.8f, 0.8f, 1.6f, 0xFFE0C020),

    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_zoomscreen.dds", TL::PANEL, kHudShip, 512).Size(512, 64).Series(2),
    Snd("media\\vehicles\\exterior\\sounds\\collship_start.wav", SL::WHOOSH, 1.2f, 90.0f),
    Snd("media\\vehicles\\exterior\\sounds\\collship_damage.wav", SL::ALARM, 0.6f, 520.0f),
    Snd("media\\vehicles\\exterior\\sounds\\collship.wav", SL::HUM, 2.0f, 75.0f).Loop(),
    Tex("media\\vehicles\\exterior\\textures\\collship.dds", TL::HULL, kShip, 256).Series(2),
    Tex("media\\vehicles\\exterior\\textures\\mercship.dds", TL::HULL, kMerc, 256).Series(2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_cockpit.dds", TL::HULL, 0xFF505860, 256).Series(2),
    Tex("media\\vehicles\\hud\\ship\\textures\\shiphud_cockpit_dashboard_panels.dds", TL::CELLS, kHudShip, 256),
    Mesh("media\\vehicles\\exterior\\meshes\\collship.gbm", ML::SHIP, -2.2f, -0.8f, -3.4f, 2.2f, 0.9f, 3.6f, kShip),
    Mesh("media\\vehicles\\exterior\\meshes\\mercship.gbm", ML::RAIDER, -1.6f, -0.9f, -2.0f, 1.6f, 1.0f, 2.4f, kMerc),
    Mesh("media\\vehicles\\hud\\ship\\meshes\\shiphud_cockpit_canopy.gbm", ML::CANOPY, -1.2f, -0.5f, -0.2f, 1.2f, 1.0f, 2.2f, 0xFF505860),
    Mesh("media\\vehicles\\hud\\ship\\meshes\\shiphud_cockpit_dashboard.gbm", ML::BLOCK, -1.0f, -0.3f, -0.2f, 1.0f, 0.1f, 0.3f, 0xFF404850),
    Mesh("media\\vehicles\\hud\\ship\\meshes\\shiphud_cockpit_dashboard_panels.gbm", ML::PLATE, -0.9f, -0.02f, -0.15f, 0.9f, 0.0f, 0.25f, kHudShip),

    // Black-market portal.
    Tex("media\\station\\blackmarketportal\\textures\\blackmarketportal.dds", TL::HULL, kMarket, 128).Dxt1(),
    Mesh("media\\station\\blackmarketportal\\meshes\\blackmarketportal.gbm", ML::PORTAL, -7.5f, -9.0f, -1.5f, 10.5f, 9.0f, 1.5f, kMarket),
    Tex("media\\station\\blackmarketportal\\textures\\blackmarketportal_barrier.dds", TL::BARRIER, 0xFFC060FF, 256).Grid(2, 2),

    // Freighter.
    Mesh("media\\vehicles\\exterior\\meshes\\freighter.gbm", ML::FREIGHTER, -2.4f, -2.0f, -11.4f, 2.4f, 2.0f, 8.0f, kFreighter).Guess(),
    Mesh("media\\vehicles\\exterior\\meshes\\freighter_door.gbm", ML::PLATE, -1.34f, -0.08f, -4.0f, 1.34f, 0.08f, 4.0f, kFreighter).Guess(),
    Tex("media\\vehicles\\exterior\\textures\\freighter.dds", TL::HULL, kFreighter, 256).Series(2).Guess(),
    Snd("media\\vehicles\\exterior\\sounds\\freighter.wav", SL::HUM, 2.0f, 45.0f).Loop().Guess(),
    Snd("media\\vehicles\\exterior\\sounds\\freighter_docking.wav", SL::SERVO, 1.5f, 150.0f).Guess(),
    Snd("media\\vehicles\\exterior\\sounds\\freighter_undocking.wav", SL::SERVO, 1.5f, 130.0f).Guess(),

    // Logo screen.
    Tex("media\\screens\\quennet\\textures\\logo.dds", TL::LOGO, 0xFFE0B040, 512),
    // The window icon: the maker's emblem, at the size window managers show.
    Tex("media\\program\\icon.dds", TL::LOGO, 0xFFE0B040, 32),
    // The pointer of the menus and screens (cursor resource 109), at the usual pointer size (no digits last: those number series members).
    Tex("media\\program\\cursor109_image.dds", TL::POINTER, 0xFFF0F0F0, 32),

    // Main menu.
    Tex("media\\screens\\mainmenu\\textures\\backdrop.dds", TL::BACKDROP, kMenu, 512),
    Tex("media\\screens\\mainmenu\\textures\\newgamebutton.dds", TL::BUTTON, 0xFF3070C0, 256).Size(256, 32).Series(2),
    Tex("media\\screens\\mainmenu\\textures\\loadsavebutton.dds", TL::BUTTON, 0xFF3070C0, 256).Size(256, 32).Series(2),
    Tex("media\\screens\\mainmenu\\textures\\optionsbutton.dds", TL::BUTTON, 0xFF3070C0, 256).Size(256, 32).Series(2),
    Tex("media\\screens\\mainmenu\\textures\\quitbutton.dds", TL::BUTTON, 0xFFC04040, 256).Size(256, 32).Series(2),
    Tex("media\\screens\\mainmenu\\textures\\reticle.dds", TL::CELLS, 0xFF80FF80, 128).Size(64, 128),
    Tex("media\\screens\\mainmenu\\textures\\shine.dds", TL::GLOW, 0xFFFFFFFF, 64),
    Tex("media\\general\\textures\\virozeveviz_font.dds", TL::FONT, 0xFFFFFFFF, 512).Grid(16, 16),
    Snd("media\\screens\\common\\sounds\\button.wav", SL::CLICK, 0.12f, 1500.0f),
    Snd("media\\screens\\common\\sounds\\music.wav", SL::MUSIC, 8.0f, 146.83f).Loop(),

    // Stores and black market.
    Tex("media\\screens\\blackmarket\\textures\\backdrop.dds", TL::BACKDROP, kMarket, 512),
    Tex("media\\screens\\blackmarket\\textures\\exitbutton.dds", TL::BUTTON, kMarket, 128).Size(128, 64),
    Tex("media\\screens\\blackmarket\\textures\\stationweapons.dds", TL::BUTTON, kMarket, 256),
    Tex("media\\screens\\blackmarket\\textures\\shipweapons.dds", TL::BUTTON, kMarket, 256),
    Tex("media\\screens\\blackmarket\\textures\\countermeasures.dds", TL::BUTTON, kMarket, 256),
    Tex("media\\screens\\store\\textures\\buybutton.dds", TL::BUTTON, 0xFF30A030, 256).Size(256, 128).Grid(2, 2),
    Tex("media\\screens\\store\\textures\\cancelbutton.dds", TL::BUTTON, 0xFFA03030, 256).Size(256, 128).Grid(2, 2),
    Tex("media\\screens\\store\\textures\\nextpagebutton.dds", TL::BUTTON, kStore, 256).Size(256, 128).Grid(2, 2),
    Tex("media\\screens\\store\\textures\\soon.dds", TL::CELLS, 0xFF808080, 128),
    Tex("media\\screens\\store\\textures\\premium.dds", TL::CELLS, 0xFFE0B040, 128),
    Tex("media\\screens\\store\\textures\\sale.dds", TL::CELLS, 0xFF40E040, 128),
    Tex("media\\screens\\store\\textures\\encoblinker.dds", TL::GLOW, 0xFFFF4040, 64),
    Tex("media\\screens\\store\\textures\\backdrop.dds", TL::BACKDROP, kStore, 512),
    Tex("media\\screens\\blackmarket\\store\\textures\\ripoff.dds", TL::CELLS, 0xFFE04040, 128).Grid(2, 2),
    Tex("media\\screens\\blackmarket\\store\\textures\\nicedeal.dds", TL::CELLS, 0xFF40E040, 128).Grid(2, 2),
    Tex("media\\screens\\blackmarket\\store\\textures\\backdrop.dds", TL::BACKDROP, kMarket, 512),
    Tex("media\\screens\\common\\textures\\font.dds", TL::FONT, 0xFFFFFFFF, 512).Grid(16, 16),
    Snd("media\\screens\\common\\sounds\\addremove_product.wav", SL::BEEP, 0.2f, 660.0f),
    Snd("media\\screens\\common\\sounds\\addremove_product_error.wav", SL::BEEP, 0.35f, 140.0f),
    Tex("media\\screens\\blackmarket\\store\\textures\\cheetah.dds", TL::HULL, 0xFFD0D0D0),
    MeshC("media\\screens\\blackmarket\\store\\meshes\\cheetah.gbm", ML::GUNS, 1.2f, 0.8f, 1.6f, 0xFFD0D0D0),
    Tex("media\\screens\\blackmarket\\store\\textures\\devastator.dds", TL::HULL, 0xFFD060D0),
    MeshC("media\\screens\\blackmarket\\store\\meshes\\devastator.gbm", ML::CYLINDER, 2.0f, 2.4f, 2.0f, 0xFFD060D0),
    Tex("media\\screens\\blackmarket\\store\\textures\\emtwo.dds", TL::HULL, 0xFF60D0A0),
    MeshC("media\\screens\\blackmarket\\store\\meshes\\emtwo.gbm", ML::GUNS, 6.0f, 4.0f, 12.0f, 0xFF60D0A0),
    Tex("media\\screens\\blackmarket\\store\\textures\\ironman.dds", TL::HULL, 0xFFD0A060),
    MeshC("media\\screens\\blackmarket\\store\\meshes\\ironman.gbm", ML::GUNS, 4.0f, 3.0f, 7.0f, 0xFFD0A060),
    Tex("media\\screens\\blackmarket\\store\\textures\\rec.dds", TL::HULL, 0xFFE0C020),
    MeshC("media\\screens\\blackmarket\\store\\meshes\\rec.gbm", ML::CANISTER, 6.0f, 6.0f, 12.0f, 0xFFE0C020),
    Tex("media\\screens\\blackmarket\\store\\textures\\countermeasure.dds", TL::HULL, 0xFF909090),
    Mesh("media\\screens\\blackmarket\\store\\meshes\\countermeasure.gbm", ML::BLOCK, -2.0f, -1.0f, -2.5f, 2.0f, 1.5f, 2.5f, 0xFF909090),
    MeshC("media\\screens\\blackmarket\\store\\meshes\\countermeasure_discs.gbm", ML::DISCS, 1.6f, 1.6f, 1.2f, 0xFFFFFFFF),

    // Mercenary manager and its ship scene.
    Tex("media\\screens\\mercenarymanager\\textures\\backdrop.dds", TL::PANEL, kMercScreen, 512).Guess(),  // translucent: the ship window shows through
    Tex("media\\screens\\mercenarymanager\\textures\\dragtohire.dds", TL::BUTTON, kMercScreen, 256).Size(256, 128).Series(2).Grid(2, 1).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\shipimage.dds", TL::CELLS, kMerc, 256).Size(256, 128).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\highlight.dds", TL::PANEL, 0xFFFCB311, 256).Size(256, 128).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\shipimage_small.dds", TL::CELLS, kMerc, 128).Size(128, 64).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\dismiss.dds", TL::BUTTON, 0xFFA03030, 256).Size(256, 128).Series(2).Grid(2, 2).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\exitbutton.dds", TL::BUTTON, kMercScreen, 64).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\dragicon.dds", TL::CELLS, kMerc, 256).Grid(2, 2).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\checkbox.dds", TL::BUTTON, kMercScreen, 128).Size(128, 64).Series(3).Grid(2, 1).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\radiobutton.dds", TL::BUTTON, kMercScreen, 128).Size(128, 64).Series(2).Grid(2, 1).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\spinner.dds", TL::BUTTON, kMercScreen, 128).Series(2).Grid(2, 2).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\approach.dds", TL::PANEL, kMercScreen, 512).Guess(),
    Tex("media\\screens\\mercenarymanager\\textures\\overlay.dds", TL::PANEL, 0xFF80C0FF, 256).Series(2).Guess(),
    Snd("media\\screens\\mercenarymanager\\sounds\\dragdrop.wav", SL::THUD, 0.25f, 200.0f),
};

// The suit HUD's inventory icons, one per station part kind the player can carry (item type
// ids 10-25) and the collector ship (64); the symbols are characters of DejaVu Sans.
constexpr const char* kInventoryIcons = "media\\vehicles\\hud\\suit\\textures\\suithud_inventory.dds";
constexpr QNMEDIACELL kCells[] = {
    {kInventoryIcons, 8, 10, U'\u2302', "HQ"},     // house
    {kInventoryIcons, 7, 11, U'\u26A1', "GEN"},    // high voltage
    {kInventoryIcons, 3, 12, U'\u2693', "DOCK"},   // anchor
    {kInventoryIcons, 13, 13, U'\u2699', "PROC"},  // gear
    {kInventoryIcons, 16, 14, U'\u25A6', "STOR"},  // crates
    {kInventoryIcons, 1, 15, U'\u21C5', "PORT"},   // in and out
    {kInventoryIcons, 5, 16, U'\u2726', "ENH"},    // four-pointed star
    {kInventoryIcons, 4, 17, U'\u26A0', "WARN"},   // warning sign
    {kInventoryIcons, 15, 18, U'\u2295', "SRT"},   // circled plus: a sight
    {kInventoryIcons, 10, 19, U'\u25CE', "MRT"},   // bullseye
    {kInventoryIcons, 6, 20, U'\u2737', "FLAK"},   // burst
    {kInventoryIcons, 14, 21, U'\u263C', "WAVE"},  // rays
    {kInventoryIcons, 12, 22, U'\u2622', "NEUT"},  // radiation
    {kInventoryIcons, 11, 23, U'\u2620', "MINE"},  // skull
    {kInventoryIcons, 0, 24, U'\u27A4', "ASM"},    // arrowhead: a missile
    {kInventoryIcons, 9, 25, U'\u2691', "MERC"},   // flag
    {kInventoryIcons, 2, 64, U'\u2708', "SHIP"},   // aeroplane
};

// Resource names that are not the title of their file.
constexpr QNMEDIAALIAS kAliases[] = {
    {"spaceloadscreen", "media\\screens\\mainmenu\\textures\\loadscreen.dds"},
    {"consolefont", "media\\general\\textures\\ruvuzev_font.dds"},
    {"merc_label", "media\\general\\textures\\ruvuzev_font.dds"},
    {"storefont", "media\\screens\\common\\textures\\font.dds"},
    {"stationcollision", "media\\vehicles\\exterior\\sounds\\collision.wav"},
    {"othercollision", "media\\general\\sounds\\bump.wav"},
    {"collship_extern", "media\\vehicles\\exterior\\sounds\\collship.wav"},
    {"antiship_missile", "media\\projectiles\\sounds\\missile.wav"},
    {"ejectionseat_flame", "media\\effects\\textures\\flame.dds"},
    {"ejectionseat_flame", "media\\effects\\meshes\\flame.gbm"},
    {"chipper_dust", "media\\station\\debris\\textures\\debris_spark.dds"},
    {"devastator_ring", "media\\vehicles\\weapons\\textures\\devastator.dds"},
    {"ironman_inside", "media\\vehicles\\weapons\\sounds\\ironman.wav"},
    {"ironman_outside", "media\\vehicles\\weapons\\sounds\\ironman.wav"},
    {"shiphud_weapon_change", "media\\vehicles\\hud\\ship\\sounds\\weapon_change.wav"},
    {"shipscene_ship", "media\\vehicles\\exterior\\textures\\mercship.dds"},
    {"shipscene_ship", "media\\vehicles\\exterior\\meshes\\mercship.gbm"},
    {"button", "media\\screens\\common\\sounds\\button.wav"},
    {"click", "media\\screens\\common\\sounds\\button.wav"},
    {"select", "media\\screens\\common\\sounds\\addremove_product.wav"},
    {"blackmarketbackdrop", "media\\screens\\blackmarket\\textures\\backdrop.dds"},
    {"blackmarketexit", "media\\screens\\blackmarket\\textures\\exitbutton.dds"},
    {"blackmarketstation", "media\\screens\\blackmarket\\textures\\stationweapons.dds"},
    {"blackmarketship", "media\\screens\\blackmarket\\textures\\shipweapons.dds"},
    {"blackmarketcountermeasure", "media\\screens\\blackmarket\\textures\\countermeasures.dds"},
    {"storebuybutton", "media\\screens\\store\\textures\\buybutton.dds"},
    {"storecancelbutton", "media\\screens\\store\\textures\\cancelbutton.dds"},
    {"storenextpagebutton", "media\\screens\\store\\textures\\nextpagebutton.dds"},
    {"blackmarketstorepremsign", "media\\screens\\blackmarket\\store\\textures\\ripoff.dds"},
    {"blackmarketstoresoonsign", "media\\screens\\store\\textures\\soon.dds"},
    {"blackmarketstoresalesign", "media\\screens\\blackmarket\\store\\textures\\nicedeal.dds"},
    {"storebackdrop", "media\\screens\\store\\textures\\backdrop.dds"},
    {"storepremsign", "media\\screens\\store\\textures\\premium.dds"},
    {"storesalesign", "media\\screens\\store\\textures\\sale.dds"},
    {"storeblinker", "media\\screens\\store\\textures\\encoblinker.dds"},
    {"stationweaponstorebackdrop", "media\\screens\\blackmarket\\store\\textures\\backdrop.dds"},
    {"shipweaponstorebackdrop", "media\\screens\\blackmarket\\store\\textures\\backdrop.dds"},
    {"countermeasurestorebackdrop", "media\\screens\\blackmarket\\store\\textures\\backdrop.dds"},
    {"mercenarymanagerbackdrop", "media\\screens\\mercenarymanager\\textures\\backdrop.dds"},
    {"merc_dragtohire", "media\\screens\\mercenarymanager\\textures\\dragtohire.dds"},
    {"merc_shipimage", "media\\screens\\mercenarymanager\\textures\\shipimage.dds"},
    {"merc_highlight", "media\\screens\\mercenarymanager\\textures\\highlight.dds"},
    {"merc_shipimage_small", "media\\screens\\mercenarymanager\\textures\\shipimage_small.dds"},
    {"merc_dismiss", "media\\screens\\mercenarymanager\\textures\\dismiss.dds"},
    {"merc_exitbutton", "media\\screens\\mercenarymanager\\textures\\exitbutton.dds"},
    {"merc_dragicon", "media\\screens\\mercenarymanager\\textures\\dragicon.dds"},
    {"merc_checkbox", "media\\screens\\mercenarymanager\\textures\\checkbox.dds"},
    {"merc_radiobutton", "media\\screens\\mercenarymanager\\textures\\radiobutton.dds"},
    {"merc_spinner", "media\\screens\\mercenarymanager\\textures\\spinner.dds"},
    {"merc_approach", "media\\screens\\mercenarymanager\\textures\\approach.dds"},
    {"merc_overlay", "media\\screens\\mercenarymanager\\textures\\overlay.dds"},
    {"mainmenubackdrop", "media\\screens\\mainmenu\\textures\\backdrop.dds"},
    {"mainmenunewgamebutton", "media\\screens\\mainmenu\\textures\\newgamebutton.dds"},
    {"mainmenuloadsavebutton", "media\\screens\\mainmenu\\textures\\loadsavebutton.dds"},
    {"mainmenuoptionsbutton", "media\\screens\\mainmenu\\textures\\optionsbutton.dds"},
    {"mainmenuquitbutton", "media\\screens\\mainmenu\\textures\\quitbutton.dds"},
    {"mainmenureticle", "media\\screens\\mainmenu\\textures\\reticle.dds"},
    {"mainmenushine", "media\\screens\\mainmenu\\textures\\shine.dds"},
    {"quennetlogo", "media\\screens\\quennet\\textures\\logo.dds"},
};

constexpr std::size_t kCount = sizeof(kTable) / sizeof(kTable[0]);

struct Entries {
    QNMEDIAENTRY items[kCount];
    constexpr Entries() : items{} {
        for (std::size_t i = 0; i < kCount; ++i) items[i] = kTable[i].e;
    }
};

constexpr Entries kEntries;

char Fold(char c) {
    if (c == '/') return '\\';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool SamePath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

// File title of an archive name: without folders and extension.
std::string_view Title(std::string_view path) {
    std::size_t slash = path.find_last_of("\\/");
    std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = file.find_last_of('.');
    return dot == std::string_view::npos ? file : file.substr(0, dot);
}

}  // namespace

std::span<const QNMEDIAENTRY> MediaManifest() { return {kEntries.items, kCount}; }

std::span<const QNMEDIAALIAS> MediaAliases() { return kAliases; }

std::span<const QNMEDIACELL> MediaCells() { return kCells; }

const QNMEDIACELL* FindMediaCell(std::string_view path, std::uint32_t id) {
    for (const QNMEDIACELL& c : kCells)
        if (c.Id == id && SamePath(c.Path, path)) return &c;
    return nullptr;
}

const QNMEDIACELL* MediaCellLabel(std::string_view path, int cell) {
    for (const QNMEDIACELL& c : kCells)
        if (c.Cell == cell && SamePath(c.Path, path)) return &c;
    return nullptr;
}

const QNMEDIAENTRY* FindMedia(std::string_view path) {
    for (const QNMEDIAENTRY& e : MediaManifest())
        if (SamePath(e.Path, path)) return &e;
    return nullptr;
}

const QNMEDIAENTRY* FindMediaByName(std::string_view name, QNMEDIAKIND kind) {
    if (name.empty()) return nullptr;
    for (const QNMEDIAALIAS& a : kAliases)
        if (SamePath(a.Name, name)) {
            const QNMEDIAENTRY* e = FindMedia(a.Path);
            if (e && e->Kind == kind) return e;
        }
    for (const QNMEDIAENTRY& e : MediaManifest())
        if (e.Kind == kind && SamePath(Title(e.Path), name)) return &e;
    return nullptr;
}

std::string MediaMemberPath(std::string_view path, int index) {
    std::size_t slash = path.find_last_of("\\/");
    std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || dot < start) dot = path.size();
    std::string_view title = path.substr(start, dot - start);
    if (index < 0 || title.empty() || std::isdigit(static_cast<unsigned char>(title[0])))
        return std::string(path);
    std::size_t keep = title.size();
    while (keep > 0 && std::isdigit(static_cast<unsigned char>(title[keep - 1]))) --keep;
    std::string out(path.substr(0, start));
    out.append(title.substr(0, keep));
    if (index >= 1) out += std::to_string(index + 1);
    out.append(path.substr(dot));
    return out;
}

std::size_t MediaRecordCount(QNMEDIAKIND kind) {
    std::size_t n = 0;
    for (const QNMEDIAENTRY& e : MediaManifest())
        if (e.Kind == kind) n += e.Count;
    return n;
}

std::size_t MediaRecordCount() {
    return MediaRecordCount(QNMEDIAKIND::MESH) + MediaRecordCount(QNMEDIAKIND::TEXTURE) +
           MediaRecordCount(QNMEDIAKIND::SOUND);
}
