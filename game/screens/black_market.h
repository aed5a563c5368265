#pragma once
/// BLACKMARKET: the screen the black-market portal opens. Three pictures lead to the
/// station-weapon, ship-weapon and countermeasure stores: a click fills that store's order from
/// the player company and pushes the store. When a store closes, its order is pending; the
/// black market delivers at most one pending order a frame (station weapons first), so three
/// closed stores are delivered over three frames.
///
/// Ship weapons and countermeasures wait while the company has no ship. A ship weapon whose slot
/// is taken when the order is delivered is not charged.

#include <cstdint>

#include "engine/physics/sprite_node.h"
#include "engine/scene/scene.h"
#include "game/world/store_order.h"

class COMPANY;

class BLACKMARKET : public QNSCENE {
public:
    static constexpr std::uint32_t kCursorResource = 109;
    /// Store capacity of the ship-weapon and countermeasure orders.
    static constexpr std::uint32_t kShipWeaponCapacity = 5;
    static constexpr std::uint32_t kCountermeasureCapacity = 3;

    /// Hover-highlighted picture: drawn only under the pointer. A click leaves the market
    /// (EXITBUTTON) or opens store `Index` (STOREBUTTON).
    class MARKETBUTTON : public SPRITENODE {
    public:
        /// `index` < 0: the exit.
        MARKETBUTTON(QNNODE* parent, std::int32_t index, float x, float y);
        std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
        std::int32_t Index;
    };

    explicit BLACKMARKET(QNITEM* parent);
    ~BLACKMARKET() override;

    void Register(QNRESOURCES& resources) override;
    void Enter() override;
    void Update() override;
    void Leave() override;

    /// Fills the store order of `kind` for `company` and pushes its store. False (nothing
    /// pushed) without a company.
    static bool OpenStore(STOREKIND kind, COMPANY* company);
    /// Fills the order of `kind` from `company` (its ship and station); the build store's order
    /// is the company's own business.
    static void FillOrder(STOREKIND kind, COMPANY* company);
    /// Applies at most one pending order to `company`; true when one was applied. The money
    /// changes by what the store spent (its cash against the money it was opened with), so
    /// orders delivered on later frames keep the earlier ones' spending.
    static bool DeliverPurchases(COMPANY* company);

    /// The company's money when each order was filled.
    static inline float OpenedWith[STORE_KINDS] = {};
};
