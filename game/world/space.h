#pragma once
/// SPACE: the in-game scene, four views, one per company.
///
/// Entering it starts a new game: the per-view worlds, planners and turn sets, the default
/// controls, the four companies in their own views (the player's view is the one enabled view)
/// and their work orders. Its update drives the companies and the turn sets, pauses on Pause,
/// pushes the main menu on Escape and plays radio chatter. Leaving it ends the game and frees
/// everything the game made. There is no resuming a game once it is left.
///
/// Registration runs behind a load screen with a bar that grows by one step per registration
/// (full after kLoadSteps); each step draws a frame. Nothing of the game runs while loading.

#include <cstdint>

#include "engine/scene/scene.h"
#include "engine/util/qntimer.h"

class GAMENODE;
class COMPANY;

/// The media registrations of the game's classes, run by SPACE::Register in this order. The
/// libraries that own the classes fill their entries (an empty entry is skipped).
struct SPACEMEDIA {
    using REGISTRAR = void (*)(QNRESOURCES& resources);
    REGISTRAR Debris = nullptr;
    REGISTRAR EjectionSeat = nullptr;
    REGISTRAR Site = nullptr;            ///< station, marker, natural objects, engine glow
    REGISTRAR Stars = nullptr;
    REGISTRAR Comet = nullptr;
    REGISTRAR Hud = nullptr;
    REGISTRAR Suit = nullptr;
    REGISTRAR CollectorShip = nullptr;
    REGISTRAR OutsideHyperspace = nullptr;
    REGISTRAR InsideHyperspace = nullptr;
    REGISTRAR Portal = nullptr;
    REGISTRAR Freighter = nullptr;
    REGISTRAR Explosion = nullptr;
};

extern SPACEMEDIA SpaceMedia;

class SPACE : public QNSCENE {
public:
    static constexpr std::uint32_t kViews = 4;
    /// Registrations that fill the load bar.
    static constexpr std::uint32_t kLoadSteps = 205;
    static constexpr float kBarWidth = 550.0f;
    static constexpr float kBarLeft = 95.0f;
    static constexpr float kBarY = -450.0f;
    /// Scan code of Pause with no Shift, Control or Alt.
    static constexpr std::uint32_t kPauseKey = 197;
    /// Chatter comes every 5 to 30 seconds.
    static constexpr float kChatterMin = 5.0f;
    static constexpr float kChatterMax = 30.0f;
    static constexpr std::uint32_t kChatterSounds = 10;
    /// Capacity of each view's turn set and of the builders' set.
    static constexpr std::uint32_t kTurnCapacity = 30;
    static constexpr std::uint32_t kBuilderCapacity = 5;

    /// Named "SPACE", under `parent`; becomes GameScenes.Space.
    explicit SPACE(QNITEM* parent);
    ~SPACE() override;

    void Register(QNRESOURCES& resources) override;
    void Enter() override;
    void Update() override;
    void Leave() override;

    /// Clears the store orders and the mercenary manager's state.
    static void ClearGameState();
    /// Writes the default control table into the bindings.
    static void SetDefaultBindings();
    /// Planners and turn sets, then the four companies (see the .cpp), their work orders and
    /// the player's starting inventory.
    void CreateCompanies();
    /// The loading-progress callback: one bar step and one drawn frame.
    static void LoadProgress(void* scene);
    void RegisterLoadScreen(QNRESOURCES& resources);
    void RegisterLoadBar(QNRESOURCES& resources);

    /// The table of the four companies (index = view).
    COMPANY** Companies();
    /// Whether a loading-progress callback is installed (registration under way).
    static bool IsLoading();

    QNWEAK<GAMENODE> LoadBar;
    QNWEAK<GAMENODE> LoadScreen;
    std::uint32_t LoadCount = 0;
    QNTIMER ChatterTimer;

    /// Draws one frame of the current scene while loading (render and present only; a quit
    /// seen there stays pending). Replaceable by tests.
    static inline void (*DrawLoadingFrame)() = nullptr;
    /// Waits `seconds` between the keyboard polls of a pause (the system's sleep when null).
    /// Replaceable by tests.
    static inline void (*PauseWait)(float seconds) = nullptr;
    /// Seconds between keyboard polls while paused.
    static constexpr float kPausePoll = 0.01f;

private:
    void PlaceLoadBar();
    /// Pumps the window's messages and polls the keyboard, waiting kPausePoll between polls,
    /// until Pause is pressed again or a quit arrives (which stays pending for the main loop).
    void Pause();
    void DeleteCompanies();
};
