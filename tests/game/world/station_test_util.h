#pragma once
// A station in a site of a headless game world, with helpers that select parts and grow it.

#include <cmath>

#include "engine/resource/qndisk.h"
#include "game/world/arrow.h"
#include "game/world/path_planner.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "tests/game/game_test_util.h"

namespace stationtest {

inline bool Coincide(const QNVEC3& a, const QNVEC3& b, float tolerance = 1e-3f)
{
    return std::fabs(a.x - b.x) < tolerance && std::fabs(a.y - b.y) < tolerance && std::fabs(a.z - b.z) < tolerance;
}

// A site of view 0 with its station, in a scene with the site's and the station's media.
class StationTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        gametest::GameSceneTest::SetUp();
        QNDISK::MakeTempFolder();
        InitPathPlanners();
        STATION::Install();
        scene = MakeScene([](QNRESOURCES& r) { SITE::RegisterMedia(r); }, SceneViews);
        view = scene->GetView(0);
        site = new SITE(view->Root, 0, 0);
        site->SetState(3, 0, false, false);
    }
    void TearDown() override
    {
        gametest::GameSceneTest::TearDown();
        // Makers a test installed would otherwise build its stand-ins in later tests.
        STATION::Uninstall();
        FreePathPlanners();
        QNDISK::RemoveTempFolder();
    }

    /// The site's station made the player's: marker, sounds and frame limits.
    STATION* MakePlayerStation()
    {
        auto* station = dynamic_cast<STATION*>(site->Station.Get());
        station->Marker = new ARROW(station, 0);
        station->Sounds = true;
        station->BeamLimit = station->JointLimit = STATION::kPlayerFrameLimit;
        return station;
    }

    /// Selects `part` at its connector `connector` and builds `kind` there.
    static STATIONPART* BuildAt(STATION* station, STATIONPART* part, std::int32_t connector, std::int32_t kind,
                                float price = 1000.0f, std::uint32_t colour = STATION::kNoColour)
    {
        station->Select(part);
        station->ClearMarker();
        station->SelectedConnector = connector;
        return station->BuildPart(kind, price, colour);
    }

    /// The root joint's beam on side `side` (0-3).
    static STATIONPART* StartBeam(STATION* station, std::int32_t side)
    {
        STATIONPART* root = station->RootJoint.Get();
        const STATIONCONNECTOR* link = root->Connectors[side].Link;
        return link ? link->Owner : nullptr;
    }

    /// The connector of `part` whose normal is `direction` (-1 when none).
    static std::int32_t Facing(const STATIONPART* part, const QNVEC3& direction)
    {
        for (std::int32_t i = 0; i < part->ConnectorCount; ++i)
            if (QNVEC3::Dot(part->Connectors[i].Normal, direction) > 0.9f)
                return i;
        return -1;
    }

    std::uint32_t SceneViews = 1;  ///< views of the scene; set before SetUp
    QNVIEW* view = nullptr;
    SITE* site = nullptr;
};

}  // namespace stationtest
