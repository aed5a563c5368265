// The weapon rack: slots by type, refusals, the cyclic selection order and removal.

#include <gtest/gtest.h>

#include <vector>

#include "engine/scene/view.h"
#include "game/vehicles/ship_weapon.h"
#include "game/vehicles/weapon_rack.h"

namespace {

class PLAINWEAPON : public SHIPWEAPON {
public:
    PLAINWEAPON(QNNODE* ship, std::uint32_t type)
        : SHIPWEAPON(ship, SHIPWEAPON::NodeName(type), type, SHIPWEAPON::ClassFlagsOf(type), false, 0)
    {
    }
    void Fire() override {}
    float AmmoLevel() override { return 1.0f; }
};

}  // namespace

TEST(WeaponRack, SlotsOrderAndRemoval)
{
    QNVIEW view(nullptr);
    auto* ship = new GAMENODE(view.Root, "SHIP", 64, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    WEAPONRACK rack;
    EXPECT_EQ(rack.NextInstalled(0), 0u);
    EXPECT_EQ(rack.NextInstalled(71), 0u);

    // 70 and 73 installed: from the start 69, 71, 72 are empty.
    ASSERT_TRUE(rack.Install(new PLAINWEAPON(ship, 70)));
    ASSERT_TRUE(rack.Install(new PLAINWEAPON(ship, 73)));
    EXPECT_EQ(rack.NextInstalled(0), 70u);
    EXPECT_EQ(rack.NextInstalled(70), 73u);
    EXPECT_EQ(rack.NextInstalled(73), 70u);

    // A second weapon of a held type is refused and stays the caller's.
    auto* twin = new PLAINWEAPON(ship, 70);
    EXPECT_FALSE(rack.Install(twin));
    EXPECT_EQ(rack.Count, 2u);
    QNITEM::Destroy(twin);
    // A node of a type outside the rack (the canister launcher) is refused too.
    auto* rec = new PLAINWEAPON(ship, WEAPON_CANISTER);
    EXPECT_FALSE(rack.Install(rec));
    QNITEM::Destroy(rec);

    // Full rack: the cycle visits 69, 71, 72, 70, 73 and wraps.
    for (std::uint32_t t : {69u, 71u, 72u})
        ASSERT_TRUE(rack.Install(new PLAINWEAPON(ship, t)));
    std::vector<std::uint32_t> cycle;
    std::uint32_t t = 0;
    for (int i = 0; i < 6; ++i)
        cycle.push_back(t = rack.NextInstalled(t));
    EXPECT_EQ(cycle, (std::vector<std::uint32_t>{69, 71, 72, 70, 73, 69}));

    // Removing an empty slot changes nothing; removing the selected type clears the selection
    // and deletes the node.
    rack.Selected = 72;
    ASSERT_TRUE(rack.Remove(72));
    EXPECT_FALSE(rack.Remove(72));
    EXPECT_FALSE(rack.Remove(12));
    EXPECT_EQ(rack.Selected, 0u);
    EXPECT_EQ(rack.Count, 4u);
    EXPECT_EQ(ship->ChildCount(), 4u);
    rack.Selected = 69;
    ASSERT_TRUE(rack.Remove(71));
    EXPECT_EQ(rack.Selected, 69u);
    EXPECT_EQ(rack.NextInstalled(69), 70u);
    // Only one installed: it follows itself.
    rack.Remove(69);
    rack.Remove(70);
    EXPECT_EQ(rack.NextInstalled(73), 73u);

    // A custom order must be a permutation of 69-73.
    const std::uint32_t bad[5] = {69, 69, 70, 71, 72};
    EXPECT_FALSE(rack.SetOrder(bad));
    const std::uint32_t reversed[5] = {73, 72, 71, 70, 69};
    ASSERT_TRUE(rack.SetOrder(reversed));
    ASSERT_TRUE(rack.Install(new PLAINWEAPON(ship, 69)));
    EXPECT_EQ(rack.NextInstalled(0), 73u);
    EXPECT_EQ(rack.NextInstalled(73), 69u);
}
