#include "game/screens/store_catalogues.h"

#include "game/world/item_types.h"

namespace {

// Stand-in media of the previews. A piece's offset places the stand-in where the product's
// camera (its height, pivot offset and boom) looks: the camera centres a point about
// 8 - boom x tan 30 degrees above its pivot.
#define SUPPORT_MESH(n) n, "media\\station\\support\\meshes\\" n ".gbm"
#define SUPPORT_TEX(n) n, "media\\station\\support\\textures\\" n ".dds"
#define WEAPON_MESH(n) n, "media\\station\\weapons\\meshes\\" n ".gbm"
#define WEAPON_TEX(n) n, "media\\station\\weapons\\textures\\" n ".dds"
#define MARKET_MESH(n) n, "media\\screens\\blackmarket\\store\\meshes\\" n ".gbm"
#define MARKET_TEX(n) n, "media\\screens\\blackmarket\\store\\textures\\" n ".dds"

const STOREPRODUCTINFO kBuildProducts[] = {
    {ITEM_DOCK, "Collector", "Ship Dock", 50, {0, 0, -5}, 15, 0, {},
     {{SUPPORT_MESH("collshipdock"), SUPPORT_TEX("collshipdock"), {0, 0, 0}},
      {SUPPORT_MESH("collshipdock_tower"), SUPPORT_TEX("collshipdock_tower"), {3.0f, 4.4f, -7.0f}}}},
    {ITEM_GENERATOR, "Power", "Generator", 100, {0, 0, 0}, 5, 0, {},
     {{SUPPORT_MESH("generator"), SUPPORT_TEX("generator"), {0, 4.0f, 0}},
      {SUPPORT_MESH("generator_reactors"), SUPPORT_TEX("generator"), {0, 4.5f, 0}},
      {SUPPORT_MESH("generator_fusion"), SUPPORT_TEX("generator"), {0, 5.2f, 0}}}},
    {ITEM_PROCESSOR, "Ore", "Processor", 150, {0, 0, -2.5f}, 9, 0, {},
     {{SUPPORT_MESH("processor"), SUPPORT_TEX("processor"), {0, 0, 0}},
      {SUPPORT_MESH("processor_gearbox"), SUPPORT_TEX("processor"), {0.8f, 3.0f, 0}},
      {SUPPORT_MESH("processor_largearm"), SUPPORT_TEX("processor"), {-1.5f, 1.5f, -2.7f}}}},
    {ITEM_STORAGE, "Processed", "Ore Storage", 300, {0, -4, -4}, 9, 0, {},
     {{SUPPORT_MESH("storage"), SUPPORT_TEX("storage"), {0, 0, 0}}}},
    {ITEM_ENHANCER, "Production", "Enhancer", 250, {0, -4, -4}, 8, 0, {},
     {{SUPPORT_MESH("enhancer"), SUPPORT_TEX("enhancer"), {0, 0, 0}}}},
    {ITEM_CARGOPORT, "Cargo", "Port", 200, {0, 2, 10}, 16, 0, {},
     {{SUPPORT_MESH("cargoport"), SUPPORT_TEX("cargoport"), {0, 0, 10.0f}},
      {SUPPORT_MESH("cargopod"), SUPPORT_TEX("cargopod"), {0, -1.0f, 5.0f}}}},
};

const STOREPRODUCTINFO kStationWeaponProducts[] = {
    {ITEM_EARLYWARNING, "Early Warning", "System", 50, {0, -1, 0}, 8, 0, {},
     {{WEAPON_MESH("earlywarning"), WEAPON_TEX("earlywarning"), {0, 0, 0}},
      {WEAPON_MESH("earlywarning_dish"), WEAPON_TEX("earlywarning"), {0, 3.0f, 0}}}},
    {ITEM_SHORTRANGETURRET, "Short Range", "Turret", 100, {0, -1, 0}, 6, 0, {},
     {{WEAPON_MESH("shortrangeturret"), WEAPON_TEX("shortrangeturret"), {0, 0, 0}},
      {WEAPON_MESH("shortrangeturret_casing"), WEAPON_TEX("shortrangeturret"), {0, 1.6f, 0}}}},
    {ITEM_MIDRANGETURRET, "Mid-Range", "Turret", 150, {0, -3, -1.5f}, 5, 0, {},
     {{WEAPON_MESH("midrangeturret"), WEAPON_TEX("midrangeturret"), {0, 0, 0}},
      {WEAPON_MESH("midrangeturret_gun"), WEAPON_TEX("midrangeturret"), {0, 0.6f, 1.0f}}}},
    {ITEM_FLACKGUN, "Flack Gun", "", 200, {0, -2.5f, -2}, 6, 0, {},
     {{WEAPON_MESH("flackgun"), WEAPON_TEX("flackgun"), {0, 0, 0}},
      {WEAPON_MESH("flackgun_casing"), WEAPON_TEX("flackgun"), {0, 1.2f, 0}},
      {WEAPON_MESH("flackgun_guns"), WEAPON_TEX("flackgun"), {0, 1.6f, 1.0f}}}},
    {ITEM_SHOCKWAVE, "Shockwave", "", 250, {0, -1, 0}, 6, 0, {},
     {{WEAPON_MESH("shockwave"), WEAPON_TEX("shockwave"), {0, 0, 0}},
      {WEAPON_MESH("shockwave_wing"), WEAPON_TEX("shockwave"), {0, 0.6f, 2.5f}}}},
    {ITEM_NEUTRONEMITTER, "Neutron Emitter", "", 300, {0, -2, 0}, 6, 0, {},
     {{WEAPON_MESH("neutronemitter"), WEAPON_TEX("neutronemitter"), {0, 0, 0}},
      {WEAPON_MESH("neutronemitter_projector"), WEAPON_TEX("neutronemitter"), {0, 1.4f, 0}}}},
    {ITEM_MINELAUNCHER, "Mine Launcher", "", 350, {0, -4, 0}, 5, 0, {},
     {{WEAPON_MESH("minelauncher"), WEAPON_TEX("minelauncher"), {0, 0, 0}}}},
    {ITEM_ANTISHIP, "Anti-Ship", "Missile System", 400, {0, -1, 0}, 8, 0, {},
     {{WEAPON_MESH("antiship"), WEAPON_TEX("antiship"), {0, 0, 0}},
      {WEAPON_MESH("antiship_radar"), WEAPON_TEX("antiship"), {0, 1.9f, 0}}}},
    {ITEM_MERCSHIPDOCK, "Mercenary", "Ship Dock", 450, {0, 3, 0}, 10, 0, {},
     {{WEAPON_MESH("mercshipdock"), WEAPON_TEX("mercshipdock"), {0, 0, 0}},
      {WEAPON_MESH("mercshipdock_radar"), WEAPON_TEX("mercshipdock"), {0, 4.5f, 0}}}},
};

const STOREPRODUCTINFO kShipWeaponProducts[] = {
    {69, "Cheetah", "Missiles", 50, {0, -7, 0}, 2, 0, {}, {{MARKET_MESH("cheetah"), MARKET_TEX("cheetah"), {}}}},
    {70, "Devastator", "", 100, {0, -6.2f, 0}, 3.5f, 0, {},
     {{MARKET_MESH("devastator"), MARKET_TEX("devastator"), {}}}},
    {71, "Neutron Emitter", "(EM2)", 150, {0, 4, 0}, 25, 0, {}, {{MARKET_MESH("emtwo"), MARKET_TEX("emtwo"), {}}}},
    {72, "Ironman", "", 200, {0, -1, 0}, 12.5f, 0, {}, {{MARKET_MESH("ironman"), MARKET_TEX("ironman"), {}}}},
    {74, "Rear-Eject", "Canisters", 250, {0, 8, 0}, 25, 0, {}, {{MARKET_MESH("rec"), MARKET_TEX("rec"), {}}}},
};

const STOREPRODUCTINFO kCountermeasureProducts[] = {
    {75, "Ballistic", "Countermeasure", 50, {0, 2, 0}, 18, 0.5f, {0.5f, 0, 0},
     {{MARKET_MESH("countermeasure"), MARKET_TEX("countermeasure"), {}},
      {MARKET_MESH("countermeasure_discs"), nullptr, nullptr, {0, 0.8572f, 1.9379f}}}},
    {76, "Electronic", "Countermeasure", 100, {0, 2, 0}, 18, 0.6f, {0, 0, 0.5f},
     {{MARKET_MESH("countermeasure"), MARKET_TEX("countermeasure"), {}},
      {MARKET_MESH("countermeasure_discs"), nullptr, nullptr, {0, 0.8572f, 1.9379f}}}},
    {77, "Missile", "Countermeasure", 150, {0, 2, 0}, 18, 0.7f, {0, 0.5f, 0},
     {{MARKET_MESH("countermeasure"), MARKET_TEX("countermeasure"), {}},
      {MARKET_MESH("countermeasure_discs"), nullptr, nullptr, {0, 0.8572f, 1.9379f}}}},
};

#undef SUPPORT_MESH
#undef SUPPORT_TEX
#undef WEAPON_MESH
#undef WEAPON_TEX
#undef MARKET_MESH
#undef MARKET_TEX

// Upper-left corners of the six product windows.
const float kMarketSlots[STORESCREEN::kSlots][2] = {
    {-587.0928f, 395.8333f}, {-160.1162f, 356.7708f}, {288.9902f, 391.9271f},
    {-590.9980f, 36.4583f},  {-149.7021f, -1.3021f},  {287.6885f, 40.3646f},
};
const float kBuildSlots[STORESCREEN::kSlots][2] = {
    {-555, 345}, {-155, 345}, {252, 345}, {-555, 25}, {-155, 25}, {252, 25},
};

float ShipWeaponBase(std::uint32_t type)
{
    return ShipWeaponPrice(type);
}

float CountermeasureBase(std::uint32_t type)
{
    return CountermeasurePrice(type);
}

float StructureBase(std::uint32_t type)
{
    return StructurePrice(type);
}

constexpr const char* kMarketBackdropFile = "media\\screens\\blackmarket\\store\\textures\\backdrop.dds";
constexpr const char* kBuildFull = "BUILD LIST FULL";
constexpr const char* kShipFull = "NO COLLECTOR SHIP OR SHIP NOT DOCKED";
constexpr const char* kRipOff = "media\\screens\\blackmarket\\store\\textures\\ripoff.dds";
constexpr const char* kNiceDeal = "media\\screens\\blackmarket\\store\\textures\\nicedeal.dds";
// The black market's sale sign is cell 3 of its sheet.
constexpr std::uint32_t kMarketSaleCell = 3;

template <std::size_t N>
constexpr std::uint32_t Count(const STOREPRODUCTINFO (&)[N])
{
    return std::uint32_t(N);
}

}  // namespace

const STOREDESIGN kBuildStoreDesign = {
    "STORE", STORE_BUILD, kBuildProducts, Count(kBuildProducts), &StructureBase, DRAWRULE::STANDARD,
    PREVIEWKIND::PARTS, kBuildSlots, kBuildFull, "storebackdrop", "media\\screens\\store\\textures\\backdrop.dds",
    "storepremsign", "media\\screens\\store\\textures\\premium.dds", "storesalesign",
    "media\\screens\\store\\textures\\sale.dds", 0, true, true};

const STOREDESIGN kStationWeaponStoreDesign = {
    "STATIONWEAPONSTORE", STORE_STATIONWEAPONS, kStationWeaponProducts, Count(kStationWeaponProducts),
    &StructureBase, DRAWRULE::STANDARD, PREVIEWKIND::PARTS, kMarketSlots, kBuildFull, "stationweaponstorebackdrop",
    kMarketBackdropFile, "blackmarketstorepremsign", kRipOff, "blackmarketstoresalesign", kNiceDeal, kMarketSaleCell,
    false, true};

const STOREDESIGN kShipWeaponStoreDesign = {
    "SHIPWEAPONSTORE", STORE_SHIPWEAPONS, kShipWeaponProducts, Count(kShipWeaponProducts), &ShipWeaponBase,
    DRAWRULE::STANDARD, PREVIEWKIND::MODELS, kMarketSlots, kShipFull, "shipweaponstorebackdrop",
    kMarketBackdropFile, "blackmarketstorepremsign", kRipOff, "blackmarketstoresalesign", kNiceDeal, kMarketSaleCell,
    false, false};

const STOREDESIGN kCountermeasureStoreDesign = {
    "COUNTERMEASURESTORE", STORE_COUNTERMEASURES, kCountermeasureProducts, Count(kCountermeasureProducts),
    &CountermeasureBase, DRAWRULE::COUNTERMEASURE, PREVIEWKIND::COUNTERMEASURE, kMarketSlots, kShipFull,
    "countermeasurestorebackdrop", kMarketBackdropFile, "blackmarketstorepremsign", kRipOff,
    "blackmarketstoresalesign", kNiceDeal, kMarketSaleCell, false, true};

STORE::STORE(QNITEM* parent) : STORESCREEN(parent, kBuildStoreDesign)
{
    GameStoreScene(STORE_BUILD) = this;
}
STORE::~STORE()
{
    if (GameStoreScene(STORE_BUILD) == this)
        GameStoreScene(STORE_BUILD) = nullptr;
}

STATIONWEAPONSTORE::STATIONWEAPONSTORE(QNITEM* parent) : STORESCREEN(parent, kStationWeaponStoreDesign)
{
    GameStoreScene(STORE_STATIONWEAPONS) = this;
}
STATIONWEAPONSTORE::~STATIONWEAPONSTORE()
{
    if (GameStoreScene(STORE_STATIONWEAPONS) == this)
        GameStoreScene(STORE_STATIONWEAPONS) = nullptr;
}

SHIPWEAPONSTORE::SHIPWEAPONSTORE(QNITEM* parent) : STORESCREEN(parent, kShipWeaponStoreDesign)
{
    GameStoreScene(STORE_SHIPWEAPONS) = this;
}
SHIPWEAPONSTORE::~SHIPWEAPONSTORE()
{
    if (GameStoreScene(STORE_SHIPWEAPONS) == this)
        GameStoreScene(STORE_SHIPWEAPONS) = nullptr;
}

COUNTERMEASURESTORE::COUNTERMEASURESTORE(QNITEM* parent) : STORESCREEN(parent, kCountermeasureStoreDesign)
{
    GameStoreScene(STORE_COUNTERMEASURES) = this;
}
COUNTERMEASURESTORE::~COUNTERMEASURESTORE()
{
    if (GameStoreScene(STORE_COUNTERMEASURES) == this)
        GameStoreScene(STORE_COUNTERMEASURES) = nullptr;
}
