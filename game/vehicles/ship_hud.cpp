#include "game/vehicles/ship_hud.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/input/qninputmap.h"
#include "engine/render/qncolour.h"
#include "engine/scene/resources.h"
#include "engine/scene/text_mesh.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/hud_meter.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/site_indicator.h"
#include "game/world/work_order.h"

namespace {

constexpr float kProxHalfHeight = 133.3333f;
constexpr float kWeaponIconSpacing = 95.0f;  // selector places, right to left from the selector
constexpr std::uint32_t kFirstWeaponId = 69;

constexpr HUDMEDIA kMedia[] = {
    {"shiphud_reticle", 2, 1, 208.2812f, 208.3333f},
    {"shiphud_threaticon", 2, 2, 52.0703f, 52.0833f},
    {"shiphud_countermeter", 4, 2, 104.1406f, 104.1667f},
    {"shiphud_proxmeter", 1, 1, 33.325f, 266.6667f},
    {"shiphud_weaponicon", 4, 2, 89.5609f, 89.5833f},
    {"shiphud_throttle", 1, 1, 133.3333f, 468.6328f},
    {"shiphud_damage", 2, 2, 199.95f, 200.0f},
    {"shiphud_approachcube", 1, 1, 416.5625f, 416.6667f},
    {"shiphud_elecdamage", 1, 1, 533.2f, 266.6667f},
    {"shiphud_approachcube_label", 1, 1, 676.9141f, 77.0833f},
    {"shiphud_approachcube_corner", 1, 1, 33.325f, 16.6667f},
    {"shiphud_order_workorder", 1, 1, 533.2f, 533.3333f},
    {"shiphud_order_checkbox", 2, 1, 52.0703f, 52.0833f},
    {"shiphud_order_oreicon", 4, 4, 66.65f, 66.6667f},
    {"shiphud_order_icon", 4, 2, 93.7266f, 93.75f},
    {"shiphud_orecollected", 1, 1, 133.3f, 133.3333f},
};

GAMENODE* Element(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags, std::int32_t bodyMode,
                  const QNMATRIX& at, const char* texture, const char* mesh = nullptr, std::uint32_t userFlags = 0)
{
    auto* node = new GAMENODE(parent, name, kind, classFlags, userFlags, bodyMode, &at, 0);
    DressHudNode(node, texture, mesh);
    return node;
}

GAMENODE* TextElement(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, std::uint32_t columns)
{
    auto* node = new GAMENODE(parent, name, kind, 0x1000040, 0, 1, &at, 0);
    node->SetMaterial("sprite");
    node->SetTexture("consolefont");
    BuildHudText(node, 20.0f, 27.0f, columns, 1);
    SetFontColour(node);
    return node;
}

}  // namespace

// ---- meters ----

COUNTERMETER::COUNTERMETER(QNNODE* parent, std::uint32_t index, const QNMATRIX& at)
    : GAMENODE(parent, ":COUNTERMETER", 52, 0x1000040, 0, 1, &at, 0)
{
    Meter = new HUDMETER(this, "SHIPHUD::COUNTERMETER::METER", 53, QNMATRIX::Identity, 0, "shiphud_countermeter", 5,
                         0.0f, 1.0f);
    ThreatIcon = new HUDICON(this, "THREATICON", 52, HudAt(40.0f, 0.0f), 0, "shiphud_threaticon",
                             "shiphud_threaticon");
    ThreatIcon->SetIndex(index);
}

PROXMETER::PROXMETER(QNNODE* parent, std::uint32_t index, const QNMATRIX& at)
    : GAMENODE(parent, "PROXMETER", 54, 0x1000040, 0, 1, &at, 0)
{
    Bar = Element(this, "METER", 54, 0x1000440, 1, QNMATRIX::Identity, "shiphud_proxmeter");
    ThreatIcon = new HUDICON(this, "THREATICON", 54, HudAt(0.0f, -160.0f), 0, "shiphud_threaticon",
                             "shiphud_threaticon");
    ThreatIcon->SetIndex(index);
    SetValue(0.0f);
}

float PROXMETER::Fill(float value, float minimum, float maximum)
{
    if (!(maximum > minimum))
        return 0.0f;
    return (std::clamp(value, minimum, maximum) - minimum) / (maximum - minimum);
}

void PROXMETER::SetValue(float value)
{
    Value = std::clamp(value, Minimum, Maximum);
    const float f = Fill(value, Minimum, Maximum);
    // Scaled about the bar's lower edge, so it fills upward.
    QNMATRIX up, scale, down;
    up.SetTranslation(0.0f, kProxHalfHeight, 0.0f);
    scale.SetScaling(1.0f, f, 1.0f);
    down.SetTranslation(0.0f, -kProxHalfHeight, 0.0f);
    Bar->SetTransform(up * scale * down);
    if (std::fabs(f) > 0.0001f && Bar->Stages) {
        // The texture is cut, not squeezed: the same scaling about its lower edge in v.
        QNMATRIX tup, tscale, tdown;
        tup.SetTranslation(0.0f, -1.0f, 0.0f);
        tscale.SetScaling(1.0f, f, 1.0f);
        tdown.SetTranslation(0.0f, 1.0f, 0.0f);
        Bar->Stages->Stages[0].Matrix = tup * tscale * tdown;
    }
}

// ---- weapon selector ----

WEAPONICON::WEAPONICON(QNNODE* parent, std::uint32_t weaponId, const QNMATRIX& at)
    : GAMENODE(parent, "ICON", 55, 0x1000044, 0, 1, &at, 0), WeaponId(weaponId)
{
    DressHudNode(this, "shiphud_weaponicon");
    SetColour("shiphud_unselectedweapon");
    ShowTextureCell(this, weaponId >= kFirstWeaponId ? weaponId - kFirstWeaponId : 0);
    Blink.Start();
}

void WEAPONICON::Update()
{
    const std::int32_t value = Blink.Advance();
    if (Low)
        ShowOnVote(this, 1, value > 0);
}

WEAPONSELECTOR::WEAPONSELECTOR(QNNODE* parent, const QNMATRIX& at)
    : GAMENODE(parent, "SHIPHUD::WEAPONSELECTOR", 55, 64, 0, 1, &at, 0)
{
    SetSound("shiphud_weapon_change");
    Icons = new GAMENODE(this, "ICONS", 55, 64, 0, 1, &QNMATRIX::Identity, 0);
}

WEAPONICON* WEAPONSELECTOR::IconOf(std::uint32_t weaponId) const
{
    for (QNITEM* c = Icons->FirstChild(); c; c = c->Next())
        if (auto* icon = dynamic_cast<WEAPONICON*>(c); icon && icon->WeaponId == weaponId)
            return icon;
    return nullptr;
}

WEAPONICON* WEAPONSELECTOR::AddIcon(std::uint32_t weaponId)
{
    std::uint32_t places = 0;
    for (QNITEM* c = Icons->FirstChild(); c; c = c->Next())
        ++places;
    auto* icon = new WEAPONICON(Icons, weaponId, HudAt(-kWeaponIconSpacing * float(places), 0.0f));
    icon->SetState(3, 0, false, true);
    return icon;
}

void WEAPONSELECTOR::ClearIcons()
{
    Icons->DeleteChildren();
    Selected = -1;
}

bool WEAPONSELECTOR::Select(std::uint32_t weaponId, bool play)
{
    std::int32_t place = 0, found = -1;
    for (QNITEM* c = Icons->FirstChild(); c; c = c->Next(), ++place) {
        auto* icon = dynamic_cast<WEAPONICON*>(c);
        if (!icon)
            continue;
        const bool selected = found < 0 && icon->WeaponId == weaponId;
        icon->SetColour(selected ? "shiphud_selectedweapon" : "shiphud_unselectedweapon");
        if (selected)
            found = place;
    }
    Selected = found;
    if (found >= 0 && play)
        PlaySound(0);
    return found >= 0;
}

void WEAPONSELECTOR::SetLow(std::uint32_t weaponId, bool low)
{
    if (WEAPONICON* icon = IconOf(weaponId)) {
        icon->Low = low;
        ShowOnVote(icon, 1, true);
    }
}

// ---- flashes ----

HUDFLASH::HUDFLASH(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, const char* texture,
                   FLASHKIND flash)
    : GAMENODE(parent, name, kind, flash == FLASHKIND::ORE_COLLECTED ? 68 : 0x1000044, 0, 1, &at, 0), Kind(flash)
{
    DressHudNode(this, texture);
    if (flash == FLASHKIND::ORE_COLLECTED) {
        SetSound("orecollected");
        ShowOnVote(this, 1, false);
    }
    Blink.Start();
}

void HUDFLASH::Flash()
{
    Timer.Restart();
    ShowOnVote(this, 1, true);
    Showing = true;
    PlaySound(0);
}

void HUDFLASH::Update()
{
    if (Kind == FLASHKIND::ELEC_DAMAGE) {
        ShowOnVote(this, 2, Blink.Advance() > 0);
    } else if (Showing && Timer.Elapsed() >= kFlashSeconds) {
        ShowOnVote(this, 1, false);
        Showing = false;
    }
}

// ---- work orders ----

ORDERICON::ORDERICON(QNNODE* parent, std::uint32_t index, const QNMATRIX& at)
    : GAMENODE(parent, "ORDERICON", 59, 0x1000044, 0, 2, &at, 0), BaseCell(index * 4)
{
    DressHudNode(this, "shiphud_order_icon");
    ShowTextureCell(this, BaseCell);
    Blink.Start();
}

void ORDERICON::SetBlinking(bool on)
{
    Blinking = on;
    if (!on)
        ShowOnVote(this, 2, true);
}

void ORDERICON::Update()
{
    const std::int32_t value = Blink.Advance();
    if (Blinking)
        ShowOnVote(this, 2, value <= 0);
}

const char* WORKORDER::OreName(std::uint32_t colour, std::uint32_t kind)
{
    static constexpr const char* kNames[kOreColours][kOreKinds] = {
        {"Red Oglamite", "Red Hexine", "Red Netradox"},
        {"Green Oglamite", "Green Hexine", "Green Netradox"},
        {"Blue Ogalmite", "Blue Hexine", "Blue Netradox"},
        {"Yellow Oglamite", "Yellow Hexine", "Yellow Netradox"},
    };
    return colour < kOreColours && kind < kOreKinds ? kNames[colour][kind] : "";
}

WORKORDER::WORKORDER(QNNODE* parent)
    : PANELNODE(parent, "WORKORDER", 60, 0x1000040, 0, 2, &QNMATRIX::Identity, 0)
{
    DressHudNode(this, "shiphud_order_workorder");
    for (std::uint32_t i = 0; i < kLines; ++i) {
        LINE& line = Lines[i];
        line.Node = new GAMENODE(this, "LINEITEM", 60, 0x1000040, 0, 3, nullptr, 0);
        line.Node->SetTransform(HudAt(-215.0f, 125.0f - 80.0f * float(i)));
        line.CheckBox = Element(line.Node, "CHECKBOX", 60, 0x1000040, 1, QNMATRIX::Identity, "shiphud_order_checkbox",
                                nullptr, 16);
        line.OreIcon = Element(line.Node, "OREICON", 60, 0x1000040, 1, HudAt(70.0f, 0.0f), "shiphud_order_oreicon",
                               nullptr, 16);
        line.Text = TextElement(line.Node, "TEXT", 60, HudAt(260.0f, 0.0f), 16);
    }
    Value = TextElement(this, "VALUE", 60, HudAt(0.0f, -200.0f), 20);
    Clear();
    ShowOnVote(this, 1, false);
}

void WORKORDER::Show(bool show)
{
    ShowOnVote(this, 1, show, true, true);
}

void WORKORDER::Clear()
{
    FilledLines = 0;
    ShowOnVote(Value, 2, false, false, true);
    for (LINE& line : Lines) {
        ShowOnVote(line.CheckBox, 2, false);
        ShowOnVote(line.OreIcon, 2, false);
        ShowOnVote(line.Text, 2, false);
        line.Filled = false;
        line.Checked = false;
    }
}

void WORKORDER::ShowOrder(const WORKORDERDATA& order, std::uint32_t oreMask)
{
    Clear();
    FilledLines = std::min<std::uint32_t>(order.LineCount, kLines);
    for (std::uint32_t i = 0; i < FilledLines; ++i) {
        LINE& line = Lines[i];
        line.Colour = order.Lines[i].Colour;
        line.Kind = order.Lines[i].Kind;
        ShowTextureCell(line.OreIcon, line.Kind + line.Colour * 4);
        std::snprintf(line.Name, sizeof line.Name, "%s", OreName(line.Colour, line.Kind));
        PrintTextLine(line.Text->Mesh, line.Name, 0, QNALIGN_LEFT);
        ShowOnVote(line.CheckBox, 2, true, false, true);
        ShowOnVote(line.OreIcon, 2, true, false, true);
        ShowOnVote(line.Text, 2, true, false, true);
        line.Filled = true;
    }
    Worth = order.Worth();
    std::snprintf(ValueText, sizeof ValueText, "$%.1f MILLION", double(Worth) * 0.000001);
    PrintTextLine(Value->Mesh, ValueText, 0, QNALIGN_RIGHT);
    ShowOnVote(Value, 2, true, false, true);
    UpdateChecks(oreMask);
}

void WORKORDER::UpdateChecks(std::uint32_t oreMask)
{
    for (LINE& line : Lines) {
        if (!line.Filled)
            continue;
        line.Checked = (oreMask >> OreCell(line.Colour, line.Kind)) & 1u;
        ShowTextureCell(line.CheckBox, line.Checked ? 1 : 0);
    }
}

// ---- approach cube ----

APPROACHCUBE::APPROACHCUBE(QNNODE* parent)
    : PANELNODE(parent, "APPROACHCUBE", 58, 0x1000044, 0, 2, nullptr, 0)
{
    SetTransform(HudAt(10.0f, 0.0f));
    DressHudNode(this, "shiphud_approachcube");
    Label = Element(this, "LABEL", 58, 0x1000040, 3, HudAt(0.0f, 290.0f), "shiphud_approachcube_label");
    // Bottom left, mirrored to the right, mirrored to the top, and both.
    const float x = -285.0f;
    const float y[4] = {-260.0f, -260.0f, -230.0f, -230.0f};
    const bool turnVertical[4] = {false, true, false, true};
    const bool turnHorizontal[4] = {false, false, true, true};
    for (int i = 0; i < 4; ++i) {
        QNMATRIX m = HudAt(x, y[i]);
        QNMATRIX turn;
        if (turnVertical[i]) {
            turn.SetRotationY(float(M_PI));
            m = m * turn;
        }
        if (turnHorizontal[i]) {
            turn.SetRotationX(float(M_PI));
            m = m * turn;
        }
        Corners[i] = Element(this, "CORNER", 58, 0x1000040, 3, m, "shiphud_approachcube_corner");
        if (Corners[i]->Resources && Corners[i]->Resources->Materials.FindChild("shiphud_approachcube_corner"))
            Corners[i]->SetMaterial("shiphud_approachcube_corner");
    }
    Blink.Start();
}

void APPROACHCUBE::Show(bool show)
{
    ShowOnVote(this, 1, show, true, true);
}

void APPROACHCUBE::Update()
{
    const bool on = Blink.Advance() == 0;
    ShowOnVote(Label, 2, on);
    for (GAMENODE* corner : Corners)
        ShowOnVote(corner, 2, on);
}

// ---- the ship HUD ----

SHIPHUD::SHIPHUD(GAMENODE* ship, const QNMATRIX& transform, std::uint32_t userFlags)
    : HUD(ship, "HUD", 51, transform, userFlags)
{
    Reticle = new RETICLE(this, "shiphud_reticle", 0.4f);
    TargetSite = new SITEINDICATOR(this, HudAt(-600.0f, -435.0f));
    const float counterX[kCountermeters] = {-200.0f, 0.0f, 200.0f};
    for (std::uint32_t i = 0; i < kCountermeters; ++i) {
        Countermeters[i] = new COUNTERMETER(this, i, HudAt(counterX[i], 430.0f));
        ShowOnVote(Countermeters[i], 2, false);
    }
    const float proxX[kProximityMeters] = {-630.0f, -590.0f, -550.0f};
    for (std::uint32_t i = 0; i < kProximityMeters; ++i) {
        Proximity[i] = new PROXMETER(this, i, HudAt(proxX[i], -100.0f));
        ShowOnVote(Proximity[i], 2, false);
    }
    Proximity[2]->SetSound("missile_warning");
    Proximity[2]->PlaySound(-1);
    Weapons = new WEAPONSELECTOR(this, HudAt(600.0f, 440.0f));
    Throttle = Element(this, "THROTTLE", 56, 0x1000040, 1, HudAt(600.0f, -180.0f), "shiphud_throttle");
    const float angle[2] = {float(M_PI) / 2, -float(M_PI) / 2};
    const float offset[2] = {22.0f, -20.0f};
    for (int i = 0; i < 2; ++i) {
        QNMATRIX turn;
        turn.SetRotationZ(angle[i]);
        ThrottleBase[i] = turn * HudAt(offset[i], 0.0f);
        ThrottleArrows[i] = Element(Throttle, "ARROW", 56, 0x1000040, 1, ThrottleBase[i], "hud_pointerarrow",
                                    "shiphud_throttle_arrow");
        SetHudColour(ThrottleArrows[i], kLocatorColour[0], kLocatorColour[1], kLocatorColour[2]);
    }
    DamageIndicator = Element(this, "DAMAGEINDICATOR", 57, 0x1000040, 1, HudAt(0.0f, -410.0f), "shiphud_damage");
    ShowOnVote(DamageIndicator, 2, false);
    Locator = new LOCATOR(this, nullptr, 90.0f);
    Locator->SetColour(kLocatorColour[0], kLocatorColour[1], kLocatorColour[2]);
    OrderIcons[0] = new ORDERICON(this, 0, HudAt(-610.0f, 440.0f));
    OrderIcons[1] = new ORDERICON(this, 1, HudAt(-610.0f, 335.0f));
    WorkOrder = new WORKORDER(this);
    OreCollected = new HUDFLASH(this, "ORECOLLECTED", 61, HudAt(0.0f, 140.0f), "shiphud_orecollected",
                                HUDFLASH::FLASHKIND::ORE_COLLECTED);
    ElecDamage = new HUDFLASH(this, "ELECDAMAGE", 0, HudAt(0.0f, 200.0f), "shiphud_elecdamage",
                              HUDFLASH::FLASHKIND::ELEC_DAMAGE);
    CanisterCounter = TextElement(this, "REC_COUNTER", 0, HudAt(-581.5f, 250.0f), 10);
    SetCanisterCount(0);
    Money = new MONEYDISPLAY(this, HudAt(385.0f, 450.0f), QNALIGN_RIGHT);
    Ranking = new RANKINGDISPLAY(this);
    UpdateWorkOrderLine();
}

void SHIPHUD::ShowClutter(bool show)
{
    HUD::ShowClutter(show);
    ShowOnVote(Locator, 2, show, true, true);
}

void SHIPHUD::ShowPanel(bool show, PANELNODE* panel)
{
    HUD::ShowPanel(show, panel);
    if (ShownPanel.Get() != WorkOrder) {
        ShownOrder = 0;
        RefreshOrderIcons();
    }
}

void SHIPHUD::SetCountermeter(std::uint32_t index, float value)
{
    if (index >= kCountermeters)
        return;
    HUDMETER* meter = Countermeters[index]->Meter;
    meter->SetValue(value);
    ShowOnVote(Countermeters[index], 2, std::fabs(meter->Value - meter->Minimum) > 0.0001f);
}

void SHIPHUD::SetProximity(std::uint32_t index, float value)
{
    if (index >= kProximityMeters)
        return;
    PROXMETER* meter = Proximity[index];
    meter->SetValue(value);
    ShowOnVote(meter, 2, std::fabs(meter->Value - meter->Minimum) > 0.0001f);
}

void SHIPHUD::SetThrottle(std::uint32_t arrow, float value)
{
    if (arrow > 1)
        return;
    value = std::clamp(value, -1.0f, 1.0f);
    GAMENODE* node = ThrottleArrows[arrow];
    if (value >= 0.0f)
        SetHudColour(node, kLocatorColour[0], kLocatorColour[1], kLocatorColour[2]);
    else
        SetHudColour(node, 1.0f, 0.0f, 0.0f);
    const float travel = value * (value >= 0.0f ? kThrottleForward : kThrottleReverse);
    node->SetTransform(ThrottleBase[arrow] * HudAt(0.0f, travel));
}

void SHIPHUD::SetTargetSite(std::uint32_t colour, std::uint32_t company)
{
    if (colour == SiteIndicator->ColourIcon->Index) {
        ShowOnVote(TargetSite, 2, false);
        return;
    }
    TargetSite->Set(colour, company);
    ShowOnVote(TargetSite, 2, true);
}

void SHIPHUD::SetDamageIndicator(bool show)
{
    ShowOnVote(DamageIndicator, 2, show);
}

void SHIPHUD::SetDamageIndicatorCell(std::uint32_t cell)
{
    ShowTextureCell(DamageIndicator, cell);
}

void SHIPHUD::SetCanisterCount(std::int32_t count)
{
    std::snprintf(CanisterText, sizeof CanisterText, "REC: %d", count);
    PrintTextLine(CanisterCounter->Mesh, CanisterText, 0, QNALIGN_RIGHT);
    ShowOnVote(CanisterCounter, 1, count != 0);
}

void SHIPHUD::ShowApproachCube(bool show)
{
    if (show) {
        if (!ApproachCube) {
            ApproachCube = new APPROACHCUBE(this);
            ApproachCube->SetState(3, 0, false, true);
        }
        ShowPanel(true, ApproachCube);
    } else if (ApproachCube) {
        ShowPanel(false, nullptr);
        delete ApproachCube;
        ApproachCube = nullptr;
    }
}

void SHIPHUD::SetOrders(const WORKORDERDATA* first, const WORKORDERDATA* second)
{
    OrderIcons[0]->Order = first;
    OrderIcons[1]->Order = second;
    UpdateWorkOrderLine();
}

void SHIPHUD::SetOreMask(std::uint32_t mask)
{
    OreMask = mask;
    UpdateWorkOrderLine();
}

void SHIPHUD::UpdateWorkOrderLine()
{
    WorkOrder->UpdateChecks(OreMask);
    const WORKORDERDATA* first = OrderIcons[0]->Order;
    const WORKORDERDATA* second = OrderIcons[1]->Order;
    const float worth[2] = {first ? first->Worth() : 0.0f, second ? second->Worth() : 0.0f};
    // The more valuable order is preferred; on equal worth the second.
    const int preferred = worth[0] > worth[1] ? 0 : 1;
    const int other = 1 - preferred;
    auto filled = [&](int i) {
        const WORKORDERDATA* order = OrderIcons[i]->Order;
        return order && order->LineCount > 0 && order->IsFilledBy(OreMask);
    };
    if (filled(preferred)) {
        OrderIcons[preferred]->SetBlinking(true);
        OrderIcons[other]->SetBlinking(false);
    } else if (filled(other)) {
        OrderIcons[preferred]->SetBlinking(false);
        OrderIcons[other]->SetBlinking(true);
    } else {
        OrderIcons[0]->SetBlinking(false);
        OrderIcons[1]->SetBlinking(false);
    }
}

void SHIPHUD::CycleWorkOrder()
{
    QNINPUTBINDING* escape = QNINPUTMAP::Binding(kActionEscape);
    const bool escapePressed = escape && escape->Value != 0.0f;
    if (!escapePressed) {
        if (QNINPUTMAP::Value(kActionWorkOrder) != 0.0f)
            ShowWorkOrder((ShownOrder + 1) % 3);
    } else if (ShownOrder != 0) {
        escape->Value = 0.0f;  // the HUD takes this Escape
        ShownOrder = 0;
        WorkOrder->Clear();
        ShowPanel(false, nullptr);
        RefreshOrderIcons();
    }
}

void SHIPHUD::ShowWorkOrder(std::uint32_t n)
{
    const WORKORDERDATA* order = n >= 1 && n <= 2 ? OrderIcons[n - 1]->Order : nullptr;
    if (!order) {
        ShownOrder = 0;
        WorkOrder->Clear();
        ShowPanel(false, nullptr);
    } else {
        WorkOrder->ShowOrder(*order, OreMask);
        ShowPanel(true, WorkOrder);
        ShownOrder = n;
    }
    RefreshOrderIcons();
}

void SHIPHUD::RefreshOrderIcons()
{
    for (std::uint32_t i = 0; i < 2; ++i)
        ShowTextureCell(OrderIcons[i], OrderIcons[i]->BaseCell + (ShownOrder == i + 1 ? 1 : 0));
}

void SHIPHUD::LoadResources(QNRESOURCES& resources)
{
    RegisterHudMedia(resources, "media\\vehicles\\hud\\ship\\textures\\", kMedia, std::size(kMedia));
    RegisterHudQuad(resources, "shiphud_throttle_arrow", "hud_pointerarrow", 41.6562f, 41.6667f);
    resources.AddMaterial("shiphud_approachcube_corner", "sprite")->CullMode = 1;
    resources.AddColour("shiphud_selectedweapon")->SetEmissive(1.0f, 0.0f, 0.0f);
    resources.AddColour("shiphud_unselectedweapon")->SetEmissive(0.0f, 1.0f, 0.0f);
    RegisterHudSound(resources, "orecollected", "media\\vehicles\\hud\\ship\\sounds\\orecollected.wav");
    RegisterHudSound(resources, "shiphud_weapon_change", "media\\vehicles\\hud\\ship\\sounds\\weapon_change.wav");
    RegisterHudSound(resources, "missile_warning", "media\\vehicles\\hud\\ship\\sounds\\missile_warning.wav");
}
