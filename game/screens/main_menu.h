#pragma once
/// MAINMENU: the title screen. Shown after the logo, and pushed over the running game
/// ("SPACE") when the player asks for the menu in flight. F2 or the new-game button starts a
/// new game (a switch to "SPACE"); Escape pops back to a game under the menu; the quit button
/// ends the run.
///
/// The button clicks wait for the click sound on the engine's clock, bounded by the sound's
/// length plus one second, pumping events all the while so a quit is never lost.

#include <cstdint>

#include "engine/physics/sprite_node.h"
#include "engine/scene/scene.h"
#include "engine/util/qntimer.h"

class MAINMENU : public QNSCENE {
public:
    /// The screen's layout.
    static constexpr float kButtonX = -430.0f;
    static constexpr float kNewGameY = -198.0f;
    static constexpr float kLoadSaveY = -275.0f;
    static constexpr float kOptionsY = -356.0f;
    static constexpr float kQuitY = -435.0f;
    static constexpr float kButtonWidth = 342.0f;
    static constexpr float kButtonHeight = 46.0f;
    static constexpr float kMessageY = 267.0f;
    /// Seconds the quit button pauses after its click before the run ends.
    static constexpr double kQuitPause = 0.25;
    /// Text shown while a game lies under the menu.
    static constexpr const char* kResumeText = "Press ESCAPE to resume game";

    class NEWGAMEBUTTON : public SPRITENODE {
    public:
        NEWGAMEBUTTON(QNNODE* parent, MAINMENU* menu);
        std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;

    private:
        MAINMENU* menu_;
    };

    class QUITBUTTON : public SPRITENODE {
    public:
        explicit QUITBUTTON(QNNODE* parent);
        std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
    };

    /// Drifts from one random point of the screen to the next.
    class RETICLE : public SPRITENODE {
    public:
        /// Screen units per second.
        static constexpr float kSpeed = 120.0f;
        /// Distance at which a target counts as reached.
        static constexpr float kTolerance = 0.1f;

        explicit RETICLE(QNNODE* parent);
        void Update() override;

        QNVEC3 Target;

    private:
        void NewTarget();
    };

    /// Waits, then sweeps once along its path and starts over.
    class SHINE : public SPRITENODE {
    public:
        static constexpr float kStartX = -690.0f;
        static constexpr float kStartY = -117.0f;
        static constexpr double kWaitSeconds = 7.0;
        /// Length of one sweep.
        static constexpr double kSweepSeconds = 1.19;

        explicit SHINE(QNNODE* parent);
        void Update() override;

        /// Start and end of the sweep.
        QNVEC3 Path[2];
        QNTIMER Timer;
    };

    explicit MAINMENU(QNITEM* parent);

    void Register(QNRESOURCES& resources) override;
    void Enter() override;
    void Update() override;
    void Leave() override;

    /// Whether a game lies under the menu.
    bool GameUnderneath() const { return Beneath != nullptr; }

    /// Whether the menu was last entered over a game (kept for Leave, which runs after the
    /// stack has let go of the game).
    bool EnteredOverGame = false;
};
