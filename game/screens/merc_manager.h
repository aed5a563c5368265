#pragma once
/// MERCENARYMANAGER: the screen on which the player hires up to three mercenary ships (drag the
/// ship picture onto a free hire window), dismisses them (drag a hire window onto DISMISS) and
/// gives one of them, or all at once, standing orders: attack (Station, Ships, Closest), defend
/// (Stay Close, Chase), duty (Patrol, Dock), risk (Minimize, Maximize) and an approach corner
/// 1-8. Its child scene SHIPSCENE shows the mercenary ship.
///
/// Everything the screen decides goes into the program's mercenary state (three records and a
/// word set to 1 whenever the screen is left); the in-game scene clears it at a new game.
///
/// Selection: -1 nothing, 0-2 one hired slot, 3 all three. Elements tell each other about
/// changes with property 19 (their value) and property 18 (disabled).

#include <cstdint>
#include <string>

#include "engine/physics/sprite_node.h"
#include "engine/scene/mercenary_state.h"
#include "engine/scene/scene.h"
#include "engine/util/qnsequence.h"
#include "engine/util/qntimer.h"
#include "game/screens/store_elements.h"

class SHIPSCENE;

/// Flag bytes of a mercenary record by number, for handlers that serve several of them.
enum MERCBYTE : std::uint32_t { MERC_HIRED = 0, MERC_ATTACK_ON = 1, MERC_DEFEND_ON = 2 };
/// Choice words of a mercenary record by number; control group k stores word k.
enum MERCWORD : std::uint32_t {
    MERC_ATTACK_TARGET = 0,
    MERC_DEFEND_MODE = 1,
    MERC_DUTY = 2,
    MERC_RISK = 3,
    MERC_APPROACH = 4,
};
/// The field of a record that a number names.
std::uint8_t& RecordByte(MERCENARYRECORD& record, MERCBYTE field);
std::uint32_t& RecordWord(MERCENARYRECORD& record, MERCWORD field);

class MERCENARYMANAGER : public QNSCENE {
public:
    static constexpr std::uint32_t kSlots = 3;
    static constexpr std::int32_t kNone = -1;
    static constexpr std::int32_t kAll = 3;
    /// Drag icon values: 0-2 a hired slot, 3 a new ship.
    static constexpr std::uint32_t kNewShip = 3;
    static constexpr std::uint32_t kRadios = 9;
    static constexpr std::uint32_t kMaxApproach = 8;
    static constexpr double kDismissFlash = 1.0;
    static constexpr std::uint32_t kCursorResource = 109;

    /// Element values (property 19) of the hire windows.
    enum WINDOWVALUE : std::uint32_t { WINDOW_OFF = 0, WINDOW_REFRESH = 1, WINDOW_FREE = 2, WINDOW_HIRED = 3,
                                       WINDOW_SELECTED = 4 };

    class ELEMENT : public SPRITENODE {
    public:
        ELEMENT(QNNODE* parent, const char* name, MERCENARYMANAGER* manager, std::uint32_t index = 0);
        /// Property 19 = value, and message 19 to this element.
        void SetValue(std::uint32_t value) { BroadcastProperty19(value, false, nullptr); }
        MERCENARYMANAGER* Manager;
        std::uint32_t Index;
    };
    class LABEL;
    class HIREWINDOW;
    class ALLWINDOW;
    class DRAGTOHIRE;
    class DISMISSBUTTON;
    class EXITBUTTON;
    class CHECKBOX;
    class RADIOBUTTON;
    class SPINNERBUTTON;
    class SPINNER;
    class OVERLAY;
    class DRAGICON;

    explicit MERCENARYMANAGER(QNITEM* parent);
    ~MERCENARYMANAGER() override;

    void Register(QNRESOURCES& resources) override;
    void Enter() override;
    void Leave() override;

    void HireSlot(std::uint32_t slot);
    void DismissSlot(std::uint32_t slot);
    /// Moves the selection to another hired slot, or to nothing.
    void SelectNext();
    /// Selects `index` (-1 nothing, 0-2, 3 all).
    void Select(std::int32_t index);
    /// Sets the controls from the selection and its record.
    void Refresh();
    void RefreshAllWindow();
    /// Stores radio button `radio`'s choice in the selected record(s).
    void StoreRadioChoice(std::uint32_t radio);
    /// Stores a check box or the approach in the selected record(s).
    void StoreByte(MERCBYTE field, std::uint8_t value);
    void StoreWord(MERCWORD field, std::uint32_t value);

    /// The approach shown by the spinner.
    std::uint32_t SpinnerValue() const;
    static bool Hired(std::uint32_t slot) { return slot < kSlots && MercenaryState.Records[slot].Hired; }

    /// The ship window's child scene.
    SHIPSCENE* Ships = nullptr;
    std::int32_t Selection = kNone;
    std::string LastSound;

    HIREWINDOW* HireWindows[kSlots] = {};
    ALLWINDOW* AllWindow = nullptr;
    DISMISSBUTTON* Dismiss = nullptr;
    DRAGICON* DragIcon = nullptr;
    CHECKBOX* CheckBoxes[2] = {};
    RADIOBUTTON* Radios[kRadios] = {};
    SPINNER* Spinner = nullptr;
    SPRITENODE* ApproachCube = nullptr;
    OVERLAY* Overlay = nullptr;

    void Play(const char* sound);
    /// The radio group of radio `i` (0-3), its first radio and its size.
    static std::uint32_t GroupOf(std::uint32_t radio);
    static std::uint32_t GroupFirst(std::uint32_t group);
    static std::uint32_t GroupSize(std::uint32_t group);
};

class MERCENARYMANAGER::LABEL : public TEXTFIELD {
public:
    LABEL(QNNODE* parent, const char* text, float x, float y, std::uint32_t columns = 16);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
};

class MERCENARYMANAGER::HIREWINDOW : public ELEMENT {
public:
    HIREWINDOW(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t slot, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
    DRAGTOHIRE* DragPicture = nullptr;
    SPRITENODE* ShipImage = nullptr;
    SPRITENODE* Highlight = nullptr;
};

class MERCENARYMANAGER::ALLWINDOW : public ELEMENT {
public:
    ALLWINDOW(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
    SPRITENODE* Images[kSlots] = {};
    SPRITENODE* Highlight = nullptr;
};

class MERCENARYMANAGER::DRAGTOHIRE : public ELEMENT {
public:
    DRAGTOHIRE(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t slot);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
};

class MERCENARYMANAGER::DISMISSBUTTON : public ELEMENT {
public:
    DISMISSBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
    void Update() override;
    QNTIMER Timer;
};

class MERCENARYMANAGER::EXITBUTTON : public ELEMENT {
public:
    EXITBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
};

class MERCENARYMANAGER::CHECKBOX : public ELEMENT {
public:
    /// `which` 0 Attack, 1 Defend.
    CHECKBOX(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t which, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
};

class MERCENARYMANAGER::RADIOBUTTON : public ELEMENT {
public:
    RADIOBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t radio, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
};

class MERCENARYMANAGER::SPINNERBUTTON : public ELEMENT {
public:
    /// `which` 0 up, 1 down.
    SPINNERBUTTON(QNNODE* parent, MERCENARYMANAGER* manager, std::uint32_t which, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
};

class MERCENARYMANAGER::SPINNER : public ELEMENT {
public:
    SPINNER(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
    SPINNERBUTTON* Up = nullptr;
    SPINNERBUTTON* Down = nullptr;
    LABEL* Value = nullptr;
    SPRITENODE* NumberBox = nullptr;
};

class MERCENARYMANAGER::OVERLAY : public ELEMENT {
public:
    static constexpr const char* kProgram = "@2 (0:0~2)";
    OVERLAY(QNNODE* parent, MERCENARYMANAGER* manager, float x, float y);
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
    void Update() override;
    QNSEQUENCE Frames;
    SPRITENODE* Parts[2] = {};
};

/// The picture that follows the pointer while a ship is dragged; its value says what. The
/// pointer carries it until a drop target takes it or, after the drag ended without one, until
/// the next frame (the drag's source may hear of the end before the target under the pointer
/// sees the drop).
class MERCENARYMANAGER::DRAGICON : public ELEMENT {
public:
    DRAGICON(QNNODE* parent, MERCENARYMANAGER* manager);
    /// Shows the icon carrying `value`, as the pointer's carried node.
    void Begin(std::uint32_t value);
    /// Hides the icon.
    void End();
    /// Lets go of an icon whose drag has ended.
    void Update() override;
    /// Whether the pointer carries the icon; its value then in *value.
    bool Carried(std::uint32_t* value) const;
};
