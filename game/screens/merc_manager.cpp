#include "game/screens/merc_manager.h"

#include <cstring>

#include "engine/app/cursor_mode.h"
#include "engine/render/qncolour.h"
#include "engine/scene/view.h"
#include "game/screens/backdrop.h"
#include "game/screens/screen_cursor.h"
#include "game/screens/screen_media.h"
#include "game/screens/screen_positions.h"
#include "game/screens/ship_scene.h"
#include "game/world/game_globals.h"

namespace {

const char* const kLabels[11] = {"Attack", "Defend",        "Station",      "Ships",        "Closest", "Stay Close",
                                 "Chase",  "Patrol",        "Dock",         "Minimize Risk", "Maximize Risk"};

// Layout in the screen frame. The hire windows stand along the top (their places are the
// screens' shared row), the all-window at its end; the rest as the design places it.
constexpr float kAllWindowX = 500.0f;
constexpr float kDismissX = -380.0f, kDismissY = -300.0f;
constexpr float kExitX = -572.5f, kExitY = 406.0f;
constexpr float kCheckBoxY = 165.0f;
constexpr float kCheckBoxX[2] = {25.0f, 350.0f};
constexpr float kGroupAt[4][2] = {{25.0f, 25.0f}, {350.0f, 50.0f}, {350.0f, -155.0f}, {100.0f, -400.0f}};
constexpr float kLabelX = 218.33f;
constexpr float kSpinnerX = 135.0f, kSpinnerY = -240.0f;
constexpr float kApproachX = -370.0f, kApproachY = -27.0f;
constexpr float kOverlayX = -380.0f, kOverlayY = -27.0f;
// Open sizes: the spinner's buttons and number box, the overlay's parts.
constexpr float kSpinnerButton = 41.66f;
constexpr float kOverlayPartWidth = 300.0f, kOverlayPartHeight = 200.0f;
constexpr float kOverlayPartY[2] = {40.0f, -40.0f};
// Dark slate under the translucent backdrop.
constexpr float kBackground[3] = {0.06f, 0.08f, 0.11f};
constexpr float kFontGridWidth = 0.9688f, kFontGridHeight = 0.8438f;
constexpr float kLabelCellWidth = 18.0f, kLabelCellHeight = 28.0f;

const char* const kTextures = "media\\screens\\mercenarymanager\\textures\\";

std::string File(const char* name)
{
    return std::string(kTextures) + name;
}

void Show(QNNODE* node, bool on)
{
    if (node)
        node->SetState(on ? 3 : 2, 0, false, false);
}

// Elements of the screen sit relative to their parents (body mode 1).
constexpr std::int32_t kRelative = 1;

SPRITENODE* Picture(QNNODE* parent, const char* name, const char* picture, float x, float y)
{
    auto* s = new SPRITENODE(parent, name, 0, 0, kRelative, nullptr, 0);
    DressSprite(s, picture, "alpha", x, y);
    s->BroadcastProperty18(1, false);
    s->SetState(3, 0, false, false);
    return s;
}

// Places a ship window at (x, y) with its hit box; returns its highlight picture.
SPRITENODE* FrameWindow(SPRITENODE* window, float x, float y)
{
    window->SetTranslation(QNVEC3(x, y, 0.0f));
    window->SetHitBox(QNBOX(QNVEC3(-98.285f, -65.105f, 0.0f), QNVEC3(98.285f, 65.105f, 1.0f)));
    return Picture(window, "HIGHLIGHT", "merc_highlight", 0.0f, 0.0f);
}

// A left click selects a ship window.
void PickWindow(MERCENARYMANAGER::ELEMENT* window, std::uintptr_t button)
{
    if (button != 1)
        return;
    window->SetValue(MERCENARYMANAGER::WINDOW_SELECTED);
    window->Manager->Play("select");
}

}  // namespace

// ---- elements ------------------------------------------------------------------------------

MERCENARYMANAGER::ELEMENT::ELEMENT(QNNODE* parent, const char* name, MERCENARYMANAGER* manager, std::uint32_t index)
    : SPRITENODE(parent, name, 0, 0, kRelative, nullptr, 0), Manager(manager), Index(index)
{
}

MERCENARYMANAGER::LABEL::LABEL(QNNODE* parent, const char* text, float x, float y, std::uint32_t columns)
    : TEXTFIELD(parent, "LABEL", "merc_label", "merc_label", x, y, kLabelCellWidth, kLabelCellHeight, columns, 1,
                kRelative)
{
    PrintAligned(0, 0, "%s", text);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::LABEL::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    if (id == QNMSG_DISABLED)
        SetColour(a ? "merc_label_grayed" : "merc_label");
    return 0;
}

MERCENARYMANAGER::HIREWINDOW::HIREWINDOW(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t slot, float x,
                                         float y)
    : ELEMENT(parent, "HIREWINDOW", manager, slot)
{
    Highlight = FrameWindow(this, x, y);
    Highlight->SetOwnColour("fullbright");
    Highlight->OwnColour->SetEmissive(0.9882f, 0.702f, 0.0667f);
    ShipImage = Picture(this, "SHIPIMAGE", "merc_shipimage", 0.0f, 0.0f);
    DragPicture = new DRAGTOHIRE(this, manager, slot);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::HIREWINDOW::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    switch (id) {
    case QNMSG_PRESS:
        PickWindow(this, a);
        break;
    case QNMSG_DRAG_BEGIN:
        if (Hired(Index) && m->DragIcon)
            m->DragIcon->Begin(Index);
        break;
    case QNMSG_DROPPED:
        if (m->DragIcon)
            m->DragIcon->End();
        break;
    case QNMSG_DISABLED:
        if (a && m->Selection == std::int32_t(Index)) {
            m->SelectNext();
            SetValue(WINDOW_REFRESH);
        }
        break;
    case QNMSG_PROPERTY19:
        switch (a) {
        case WINDOW_OFF:
            BroadcastProperty18(1, false);
            Show(DragPicture, false);
            Show(ShipImage, false);
            Show(Highlight, false);
            break;
        case WINDOW_REFRESH:
            SetValue(Hired(Index) ? WINDOW_HIRED : WINDOW_FREE);
            break;
        case WINDOW_FREE:
            MercenaryState.Records[Index].Hired = 0;
            BroadcastProperty18(0, false);
            m->RefreshAllWindow();
            Show(DragPicture, true);
            DragPicture->BroadcastProperty18(0, false);
            Show(ShipImage, false);
            Show(Highlight, false);
            break;
        case WINDOW_HIRED:
        case WINDOW_SELECTED:
            MercenaryState.Records[Index].Hired = 1;
            BroadcastProperty18(0, false);
            m->RefreshAllWindow();
            Show(DragPicture, false);
            DragPicture->BroadcastProperty18(1, false);
            Show(ShipImage, true);
            Show(Highlight, false);
            if (a == WINDOW_SELECTED) {
                m->Selection = std::int32_t(Index);
                m->Refresh();
                for (HIREWINDOW* other : m->HireWindows)
                    if (other && other != this)
                        other->SetValue(WINDOW_REFRESH);
                if (m->AllWindow)
                    m->AllWindow->SetValue(WINDOW_REFRESH);
                Show(Highlight, true);
            }
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::ALLWINDOW::ALLWINDOW(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y)
    : ELEMENT(parent, "ALLWINDOW", manager)
{
    Highlight = FrameWindow(this, x, y);
    for (std::uint32_t k = 0; k < kSlots; ++k)
        Images[k] = Picture(this, "SHIPIMAGE", "merc_shipimage_small", screenpositions::kTriangleB[k][0],
                            screenpositions::kTriangleB[k][1]);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::ALLWINDOW::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    switch (id) {
    case QNMSG_PRESS:
        PickWindow(this, a);
        break;
    case QNMSG_DISABLED:
        if (a && m->Selection == kAll) {
            SetValue(WINDOW_REFRESH);
            m->SelectNext();
        }
        break;
    case QNMSG_PROPERTY19:
        if (a == WINDOW_OFF) {
            for (SPRITENODE* image : Images)
                Show(image, false);
            Show(Highlight, false);
        } else if (a == WINDOW_FREE || a == WINDOW_HIRED) {
            SetValue(WINDOW_OFF);
        } else if (a == WINDOW_SELECTED) {
            m->Selection = kAll;
            m->Refresh();
            for (HIREWINDOW* w : m->HireWindows)
                if (w)
                    w->SetValue(WINDOW_REFRESH);
            Show(Highlight, true);
        } else {
            Show(Highlight, false);
        }
        break;
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::DRAGTOHIRE::DRAGTOHIRE(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t slot)
    : ELEMENT(parent, "DRAGTOHIRE", manager, slot)
{
    DressSprite(this, "merc_dragtohire", "alpha", 0.0f, 0.0f);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::DRAGTOHIRE::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    std::uint32_t value = 0;
    const bool newShip = m->DragIcon && m->DragIcon->Carried(&value) && value == kNewShip;
    switch (id) {
    case QNMSG_ENTER:
        if (newShip)
            ShowTextureCell(this, 1);
        break;
    case QNMSG_LEAVE:
        ShowTextureCell(this, 0);
        break;
    case QNMSG_DROP_TARGET:
        if (!newShip || a != reinterpret_cast<std::uintptr_t>(m->DragIcon) || Hired(Index))
            return 1;
        ShowTextureCell(this, 0);
        m->HireSlot(Index);
        m->Play("dragdrop");
        return 2;
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::DISMISSBUTTON::DISMISSBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y)
    : ELEMENT(parent, "DISMISSBUTTON", manager)
{
    DressSprite(this, "merc_dismiss", "alpha", x, y);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::DISMISSBUTTON::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    std::uint32_t value = 0;
    const bool hiredShip = m->DragIcon && m->DragIcon->Carried(&value) && value < kSlots;
    switch (id) {
    case QNMSG_ENTER:
        if (hiredShip)
            ShowTextureCell(this, 2);
        break;
    case QNMSG_LEAVE:
        ShowTextureCell(this, 0);
        break;
    case QNMSG_DROP_TARGET:
        if (!hiredShip || a != reinterpret_cast<std::uintptr_t>(m->DragIcon) || !Hired(value))
            return 1;
        m->DismissSlot(value);
        m->Play("dragdrop");
        SetValue(1);
        return 2;
    case QNMSG_PROPERTY19:
        if (a == 0) {
            SetTexture("merc_dismiss");
            ShowTextureCell(this, 0);
        } else if (a == 1) {
            Timer.Restart();
            ShowTextureCell(this, 1);
        }
        break;
    default:
        break;
    }
    return 0;
}

void MERCENARYMANAGER::DISMISSBUTTON::Update()
{
    SPRITENODE::Update();
    if (Property19 == 1 && Timer.Elapsed() > kDismissFlash)
        SetValue(0);
}

MERCENARYMANAGER::EXITBUTTON::EXITBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y)
    : ELEMENT(parent, "EXITBUTTON", manager)
{
    DressSprite(this, "merc_exitbutton", "alpha", x, y);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::EXITBUTTON::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    switch (id) {
    case QNMSG_ENTER:
        if (!OwnColour)
            SetOwnColour("fullbright");
        OwnColour->SetEmissive(1.0f, 0.85f, 0.4f);
        break;
    case QNMSG_LEAVE:
        SetColour("fullbright");
        break;
    case QNMSG_PRESS:
    case QNMSG_KEY:
        if (id == QNMSG_KEY || a == 1) {
            Manager->Play("click");
            QNSCENE::RequestPop();
        }
        break;
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::CHECKBOX::CHECKBOX(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t which, float x, float y)
    : ELEMENT(parent, "CHECKBOX", manager, which)
{
    DressSprite(this, "merc_checkbox", "alpha", x, y);
    new LABEL(this, kLabels[which], kLabelX, 0.0f);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::CHECKBOX::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    const MERCBYTE field = Index == 0 ? MERC_ATTACK_ON : MERC_DEFEND_ON;
    const std::uint32_t group = Index;  // Attack drives the target group, Defend the mode group
    switch (id) {
    case QNMSG_PRESS:
        if (a != 1)
            break;
        m->Play("click");
        {
            const std::uint32_t value = Property19 == 1 ? 0 : 1;
            m->StoreByte(field, std::uint8_t(value == 1));
            SetValue(value);
        }
        break;
    case QNMSG_DISABLED:
        ShowTextureCell(this, a ? 1 : 0);
        break;
    case QNMSG_PROPERTY19: {
        SetTexture("merc_checkbox", int(a < 3 ? a : 0));
        const bool one = m->Selection >= 0 && m->Selection < std::int32_t(kSlots);
        const MERCWORD word = Index == 0 ? MERC_ATTACK_TARGET : MERC_DEFEND_MODE;
        const std::uint32_t first = GroupFirst(group), size = GroupSize(group);
        if (a == 1 || (a == 2 && m->Selection == kAll)) {
            for (std::uint32_t i = first; i < first + size; ++i)
                if (m->Radios[i])
                    m->Radios[i]->BroadcastProperty18(0, true);
            if (one && RecordWord(MercenaryState.Records[m->Selection], word) == 0) {
                RecordWord(MercenaryState.Records[m->Selection], word) = 1;
                if (m->Radios[first])
                    m->Radios[first]->SetValue(1);
            }
        } else {
            for (std::uint32_t i = first; i < first + size; ++i)
                if (m->Radios[i]) {
                    m->Radios[i]->BroadcastProperty18(1, true);
                    m->Radios[i]->SetValue(0);
                }
            if (one)
                RecordWord(MercenaryState.Records[m->Selection], word) = 0;
        }
        break;
    }
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::RADIOBUTTON::RADIOBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t radio, float x,
                                           float y)
    : ELEMENT(parent, "RADIOBUTTON", manager, radio)
{
    DressSprite(this, "merc_radiobutton", "alpha", x, y);
    new LABEL(this, kLabels[2 + radio], kLabelX, 0.0f);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::RADIOBUTTON::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    switch (id) {
    case QNMSG_PRESS:
        if (a != 1)
            break;
        m->Play("click");
        SetValue(1);
        m->StoreRadioChoice(Index);
        {
            const std::uint32_t g = GroupOf(Index), first = GroupFirst(g);
            for (std::uint32_t i = first; i < first + GroupSize(g); ++i)
                if (i != Index && m->Radios[i])
                    m->Radios[i]->SetValue(0);
        }
        break;
    case QNMSG_DISABLED:
        ShowTextureCell(this, a ? 1 : 0);
        break;
    case QNMSG_PROPERTY19:
        SetTexture("merc_radiobutton", int(a < 2 ? a : 0));
        break;
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::SPINNERBUTTON::SPINNERBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t which, float x,
                                               float y)
    : ELEMENT(parent, "BUTTON", manager, which)
{
    DressSprite(this, "merc_spinner", "alpha", x, y);
    ShowTextureCell(this, 0);
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::SPINNERBUTTON::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    switch (id) {
    case QNMSG_ENTER:
        ShowTextureCell(this, 1);
        break;
    case QNMSG_LEAVE:
        ShowTextureCell(this, 0);
        break;
    case QNMSG_DISABLED:
        ShowTextureCell(this, a ? 3 : 0);
        break;
    case QNMSG_PRESS: {
        if (a != 1 || !m->Spinner)
            break;
        m->Play("select");
        const std::uint32_t v = m->Spinner->Property19;
        std::uint32_t next;
        if (Index == 0)
            next = v >= 1 && v <= kMaxApproach - 1 ? v + 1 : 1;
        else
            next = v >= 2 && v <= kMaxApproach ? v - 1 : kMaxApproach;
        m->Spinner->SetValue(next);
        m->StoreWord(MERC_APPROACH, next);
        break;
    }
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::SPINNER::SPINNER(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y)
    : ELEMENT(parent, "SPINNER", manager)
{
    SetTranslation(QNVEC3(x, y, 0.0f));
    Up = new SPINNERBUTTON(this, manager, 0, 5.0f, 20.83f);
    Down = new SPINNERBUTTON(this, manager, 1, 5.0f, -20.83f);
    NumberBox = Picture(this, "NUMBERBOX", "merc_radiobutton", -38.0f, 2.0f);
    Value = new LABEL(this, "", -213.33f, 0.0f, 22);
    new LABEL(this, "Approach", 0.0f, 110.0f);
    new LABEL(this, "Corner", 0.0f, 75.0f);
    SetHitBox(QNBOX(QNVEC3(-60.0f, -45.0f, 0.0f), QNVEC3(30.0f, 45.0f, 1.0f)));
    SetState(3, 0, false, false);
}

std::int32_t MERCENARYMANAGER::SPINNER::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    MERCENARYMANAGER* m = Manager;
    switch (id) {
    case QNMSG_ENTER:
        Show(m->ApproachCube, true);
        break;
    case QNMSG_LEAVE:
        Show(m->ApproachCube, false);
        break;
    case QNMSG_DISABLED:
        ShowTextureCell(NumberBox, a ? 1 : 0);
        break;
    case QNMSG_PROPERTY19: {
        std::uint32_t v = std::uint32_t(a);
        if (v > kMaxApproach) {
            v = kMaxApproach;
            Property19 = v;
        }
        if (v == 0)
            Value->PrintAligned(0, 2, nullptr);
        else
            Value->PrintAligned(0, 2, "%u", v);
        break;
    }
    default:
        break;
    }
    return 0;
}

MERCENARYMANAGER::OVERLAY::OVERLAY(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y)
    : ELEMENT(parent, "OVERLAY", manager)
{
    SetTranslation(QNVEC3(x, y, 0.0f));
    SetHitBox(QNBOX(QNVEC3(-kOverlayPartWidth / 2, -kOverlayPartHeight, 0.0f),
                    QNVEC3(kOverlayPartWidth / 2, kOverlayPartHeight, 1.0f)));
    for (std::uint32_t i = 0; i < 2; ++i) {
        Parts[i] = Picture(this, "PART", "merc_overlay", 0.0f, kOverlayPartY[i]);
        Parts[i]->SetTexture("merc_overlay", int(i));
    }
    Frames.SetProgram(kProgram);
    SetState(3, 0, false, false);
}

void MERCENARYMANAGER::OVERLAY::Update()
{
    SPRITENODE::Update();
    const std::int32_t v = Frames.Advance();
    if (v < 0)
        return;
    Show(Parts[0], v >= 1);
    Show(Parts[1], v >= 2);
}

std::int32_t MERCENARYMANAGER::OVERLAY::OnMessage(std::uint32_t id, std::uintptr_t, std::uintptr_t)
{
    if (id == QNMSG_DRAG_BEGIN && Manager->DragIcon)
        Manager->DragIcon->Begin(kNewShip);
    else if (id == QNMSG_DROPPED && Manager->DragIcon)
        Manager->DragIcon->End();
    return 0;
}

MERCENARYMANAGER::DRAGICON::DRAGICON(QNNODE* parent, MERCENARYMANAGER* manager)
    : ELEMENT(parent, "DRAGICON", manager)
{
    DressSprite(this, "merc_dragicon", "alpha", 0.0f, 0.0f);
    Disabled = 1;  // never a drop target of its own
    SetState(2, 0, false, false);
}

void MERCENARYMANAGER::DRAGICON::Begin(std::uint32_t value)
{
    Property19 = value;
    ShowTextureCell(this, 0);
    if (QNCURSOR* cursor = QNAPP::Cursor.Get())
        SetTranslation(cursor->Pointing);
    SetState(3, 0, false, false);
    QNSCENE::SetKeyboardTarget(this);
}

void MERCENARYMANAGER::DRAGICON::End()
{
    SetState(2, 0, false, false);
}

void MERCENARYMANAGER::DRAGICON::Update()
{
    if (State != 3 && QNSCENE::GetKeyboardTarget() == this)
        QNSCENE::SetKeyboardTarget(nullptr);
}

bool MERCENARYMANAGER::DRAGICON::Carried(std::uint32_t* value) const
{
    if (QNSCENE::GetKeyboardTarget() != this)
        return false;
    *value = Property19;
    return true;
}

// ---- the screen ----------------------------------------------------------------------------

MERCENARYMANAGER::MERCENARYMANAGER(QNITEM* parent) : QNSCENE(parent, "MERCENARYMANAGER", 1)
{
    Ships = new SHIPSCENE(this);
    GameScenes.MercenaryManager = this;
}

MERCENARYMANAGER::~MERCENARYMANAGER()
{
    if (GameScenes.MercenaryManager == this)
        GameScenes.MercenaryManager = nullptr;
}

void MERCENARYMANAGER::Register(QNRESOURCES& r)
{
    RegisterSprite(r, "mercenarymanagerbackdrop", File("backdrop.dds").c_str(), 1, 1333.0f, 1000.0f);
    RegisterSprite(r, "merc_dragtohire", File("dragtohire.dds").c_str(), 2, 196.57f, 130.21f, 2, 1);
    RegisterSprite(r, "merc_shipimage", File("shipimage.dds").c_str(), 1, 185.14f, 108.51f);
    RegisterSprite(r, "merc_highlight", File("highlight.dds").c_str(), 1, 196.57f, 130.21f);
    RegisterSprite(r, "merc_shipimage_small", File("shipimage_small.dds").c_str(), 1, 92.57f, 54.25f);
    RegisterSprite(r, "merc_dismiss", File("dismiss.dds").c_str(), 2, 166.63f, 58.59f, 2, 2);
    RegisterSprite(r, "merc_exitbutton", File("exitbutton.dds").c_str(), 1, 71.60f, 65.10f);
    RegisterSprite(r, "merc_dragicon", File("dragicon.dds").c_str(), 1, 185.14f, 121.53f, 2, 2);
    RegisterSprite(r, "merc_checkbox", File("checkbox.dds").c_str(), 3, 41.66f, 41.67f, 2, 1);
    RegisterSprite(r, "merc_radiobutton", File("radiobutton.dds").c_str(), 2, 41.66f, 41.67f, 2, 1);
    RegisterSprite(r, "merc_spinner", File("spinner.dds").c_str(), 2, kSpinnerButton, kSpinnerButton, 2, 2);
    RegisterSprite(r, "merc_approach", File("approach.dds").c_str(), 1, 600.0f, 531.25f);
    RegisterSprite(r, "merc_overlay", File("overlay.dds").c_str(), 2, kOverlayPartWidth, kOverlayPartHeight);
    QNTEXTUREPARAMS& font = QNRESOURCES::TextureParams;
    font = QNTEXTUREPARAMS();
    font.Name = "merc_label";
    font.File = "media\\general\\textures\\ruvuzev_font.dds";
    font.Columns = font.Rows = 16;
    // The glyph grid covers this share of the font picture.
    font.CellWidth = kFontGridWidth;
    font.CellHeight = kFontGridHeight;
    r.AddTexture();
    r.AddColour("merc_label")->SetEmissive(1.0f, 1.0f, 1.0f);
    r.AddColour("merc_label_grayed")->SetEmissive(0.75f, 0.75f, 0.75f);
    RegisterScreenSound(r, "select", "media\\screens\\common\\sounds\\addremove_product.wav");
    RegisterScreenSound(r, "click", "media\\screens\\common\\sounds\\button.wav");
    RegisterScreenSound(r, "dragdrop", "media\\screens\\mercenarymanager\\sounds\\dragdrop.wav");
}

void MERCENARYMANAGER::Enter()
{
    QNAPP::SetCursorMode(false, kCursorResource);
    Background[0] = kBackground[0];
    Background[1] = kBackground[1];
    Background[2] = kBackground[2];
    Background[3] = 1.0f;
    QNNODE* root = GetView(0)->Root;
    Selection = kNone;

    DragIcon = new DRAGICON(root, this);
    auto* exit = new EXITBUTTON(root, this, kExitX, kExitY);
    (void)exit;
    for (std::uint32_t c = 0; c < 2; ++c)
        CheckBoxes[c] = new CHECKBOX(root, this, c, kCheckBoxX[c], kCheckBoxY);
    for (std::uint32_t g = 0; g < 4; ++g) {
        auto* group = new SPRITENODE(root, "CTLGROUP", 0, 0, kRelative, nullptr, 0, QNSPRITE_GROUP);
        group->SetTranslation(QNVEC3(kGroupAt[g][0], kGroupAt[g][1], 0.0f));
        group->BroadcastProperty18(1, false);
        group->SetState(3, 0, false, false);
        const std::uint32_t first = GroupFirst(g), size = GroupSize(g);
        for (std::uint32_t i = 0; i < size; ++i) {
            const float y = size == 3 ? 50.0f - 50.0f * float(i) : 25.0f - 50.0f * float(i);
            Radios[first + i] = new RADIOBUTTON(group, this, first + i, 0.0f, y);
        }
    }
    Spinner = new SPINNER(root, this, kSpinnerX, kSpinnerY);
    Dismiss = new DISMISSBUTTON(root, this, kDismissX, kDismissY);
    Overlay = new OVERLAY(root, this, kOverlayX, kOverlayY);
    ApproachCube = Picture(root, "APPROACHCUBE", "merc_approach", kApproachX, kApproachY);
    ApproachCube->SetState(2, 0, false, false);
    for (std::uint32_t k = 0; k < kSlots; ++k)
        HireWindows[k] = new HIREWINDOW(root, this, k, screenpositions::kRowA[k][0], screenpositions::kRowA[k][1]);
    AllWindow = new ALLWINDOW(root, this, kAllWindowX, screenpositions::kRowA[0][1]);
    auto* backdrop = new BACKDROP(root, "mercenarymanagerbackdrop", 1.0f);
    backdrop->SetMaterial("alpha");
    backdrop->SetState(3, 0, false, false);

    AllWindow->BroadcastProperty18(1, false);
    AllWindow->SetValue(WINDOW_OFF);
    std::int32_t first = kNone;
    for (std::uint32_t k = 0; k < kSlots; ++k) {
        HireWindows[k]->SetValue(Hired(k) ? WINDOW_HIRED : WINDOW_FREE);
        if (first == kNone && Hired(k))
            first = std::int32_t(k);
    }
    Select(first);

    auto* cursor = new CURSOR(root, nullptr, QNVEC3(0, 0, 0));
    cursor->MakeCurrent();
}

void MERCENARYMANAGER::Leave()
{
    MercenaryState.ScreenLeft = 1;
    QNAPP::SetCursorMode(true, 0);
    for (HIREWINDOW*& w : HireWindows)
        w = nullptr;
    for (CHECKBOX*& c : CheckBoxes)
        c = nullptr;
    for (RADIOBUTTON*& r : Radios)
        r = nullptr;
    AllWindow = nullptr;
    Dismiss = nullptr;
    DragIcon = nullptr;
    Spinner = nullptr;
    ApproachCube = nullptr;
    Overlay = nullptr;
    Selection = kNone;
}

void MERCENARYMANAGER::HireSlot(std::uint32_t slot)
{
    if (slot >= kSlots || Hired(slot))
        return;
    MercenaryState.Records[slot] = MERCENARYRECORD();
    MercenaryState.Records[slot].Hired = 1;
    if (HireWindows[slot])
        HireWindows[slot]->SetValue(WINDOW_SELECTED);
}

void MERCENARYMANAGER::DismissSlot(std::uint32_t slot)
{
    if (slot >= kSlots || !Hired(slot))
        return;
    if (HireWindows[slot])
        HireWindows[slot]->SetValue(WINDOW_FREE);
    MercenaryState.Records[slot] = MERCENARYRECORD();
    if (AllWindow)
        AllWindow->SetValue(WINDOW_REFRESH);
    // A dismissed selection moves on; "all" stays while a hired slot remains.
    if (Selection == std::int32_t(slot) || (Selection == kAll && !Hired(0) && !Hired(1) && !Hired(2)))
        SelectNext();
}

void MERCENARYMANAGER::SelectNext()
{
    std::int32_t next = kNone;
    switch (Selection) {
    case 0:
        next = Hired(1) ? 1 : Hired(2) ? 2 : kNone;
        break;
    case 1:
        next = Hired(0) ? 0 : Hired(2) ? 2 : kNone;
        break;
    case 2:
        next = Hired(1) ? 1 : Hired(0) ? 0 : kNone;
        break;
    default:
        break;
    }
    Select(next);
}

void MERCENARYMANAGER::Select(std::int32_t index)
{
    if (index >= 0 && index < std::int32_t(kSlots) && HireWindows[index]) {
        HireWindows[index]->SetValue(WINDOW_SELECTED);
        return;
    }
    if (index == kAll && AllWindow) {
        AllWindow->SetValue(WINDOW_SELECTED);
        return;
    }
    Selection = kNone;
    for (HIREWINDOW* w : HireWindows)
        if (w)
            w->SetValue(WINDOW_REFRESH);
    if (AllWindow)
        AllWindow->SetValue(WINDOW_REFRESH);
    Refresh();
}

void MERCENARYMANAGER::Refresh()
{
    auto enable = [](SPRITENODE* e, bool on) {
        if (e)
            e->BroadcastProperty18(on ? 0 : 1, true);
    };
    if (Selection == kNone) {
        for (CHECKBOX* c : CheckBoxes) {
            enable(c, false);
            if (c)
                c->SetValue(2);
        }
        for (RADIOBUTTON* r : Radios) {
            enable(r, false);
            if (r)
                r->SetValue(0);
        }
        if (Spinner) {
            Spinner->SetValue(0);
            enable(Spinner, false);
        }
        return;
    }
    for (CHECKBOX* c : CheckBoxes)
        enable(c, true);
    enable(Spinner, true);
    if (Selection == kAll) {
        for (RADIOBUTTON* r : Radios)
            enable(r, true);
        if (Spinner)
            Spinner->SetValue(0);
        for (CHECKBOX* c : CheckBoxes)
            if (c)
                c->SetValue(2);
        return;
    }
    MERCENARYRECORD& rec = MercenaryState.Records[Selection];
    for (RADIOBUTTON* r : Radios) {
        enable(r, true);
        if (r)
            r->SetValue(0);
    }
    for (std::uint32_t* w : {&rec.Duty, &rec.Risk, &rec.Approach})
        if (*w == 0)
            *w = 1;
    if (CheckBoxes[0])
        CheckBoxes[0]->SetValue(rec.AttackOn ? 1 : 0);
    if (CheckBoxes[1])
        CheckBoxes[1]->SetValue(rec.DefendOn ? 1 : 0);
    auto set = [&](std::uint32_t group, std::uint32_t value) {
        if (value >= 1 && value <= GroupSize(group) && Radios[GroupFirst(group) + value - 1])
            Radios[GroupFirst(group) + value - 1]->SetValue(1);
    };
    if (rec.AttackOn)
        set(0, rec.AttackTarget);
    if (rec.DefendOn)
        set(1, rec.DefendMode);
    set(2, rec.Duty);
    set(3, rec.Risk);
    if (Spinner)
        Spinner->SetValue(rec.Approach);
}

void MERCENARYMANAGER::RefreshAllWindow()
{
    if (!AllWindow)
        return;
    bool any = false;
    for (std::uint32_t k = 0; k < kSlots; ++k) {
        Show(AllWindow->Images[k], Hired(k));
        any = any || Hired(k);
    }
    AllWindow->BroadcastProperty18(any ? 0 : 1, false);
}

void MERCENARYMANAGER::StoreRadioChoice(std::uint32_t radio)
{
    const std::uint32_t group = GroupOf(radio);
    StoreWord(MERCWORD(group), radio - GroupFirst(group) + 1);
}

std::uint8_t& RecordByte(MERCENARYRECORD& record, MERCBYTE field)
{
    switch (field) {
    case MERC_ATTACK_ON: return record.AttackOn;
    case MERC_DEFEND_ON: return record.DefendOn;
    default: return record.Hired;
    }
}

std::uint32_t& RecordWord(MERCENARYRECORD& record, MERCWORD field)
{
    switch (field) {
    case MERC_DEFEND_MODE: return record.DefendMode;
    case MERC_DUTY: return record.Duty;
    case MERC_RISK: return record.Risk;
    case MERC_APPROACH: return record.Approach;
    default: return record.AttackTarget;
    }
}

void MERCENARYMANAGER::StoreByte(MERCBYTE field, std::uint8_t value)
{
    if (Selection == kAll) {
        for (MERCENARYRECORD& r : MercenaryState.Records)
            RecordByte(r, field) = value;
    } else if (Selection >= 0 && Selection < std::int32_t(kSlots)) {
        RecordByte(MercenaryState.Records[Selection], field) = value;
    }
}

void MERCENARYMANAGER::StoreWord(MERCWORD field, std::uint32_t value)
{
    if (Selection == kAll) {
        for (MERCENARYRECORD& r : MercenaryState.Records)
            RecordWord(r, field) = value;
    } else if (Selection >= 0 && Selection < std::int32_t(kSlots)) {
        RecordWord(MercenaryState.Records[Selection], field) = value;
    }
}

std::uint32_t MERCENARYMANAGER::SpinnerValue() const
{
    return Spinner ? Spinner->Property19 : 0;
}

void MERCENARYMANAGER::Play(const char* sound)
{
    LastSound = sound;
    if (QNVIEW* view = GetView(0))
        PlayScreenSound(view->Root, sound);
}

std::uint32_t MERCENARYMANAGER::GroupOf(std::uint32_t radio)
{
    return radio < 3 ? 0 : radio < 5 ? 1 : radio < 7 ? 2 : 3;
}

std::uint32_t MERCENARYMANAGER::GroupFirst(std::uint32_t group)
{
    return group == 0 ? 0 : 1 + 2 * group;
}

std::uint32_t MERCENARYMANAGER::GroupSize(std::uint32_t group)
{
    return group == 0 ? 3 : 2;
}
