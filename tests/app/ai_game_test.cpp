// Headless games of the program's own set-up at 50 frames a second of virtual time: the
// computer companies grow their stations one builder per frame, buy their ships and earn
// from complete, powered chains; a ten-minute game stays bounded.

#include <algorithm>
#include <array>
#include <vector>

#include "app/game_setup.h"
#include "engine/input/qninputmap.h"
#include "game/vehicles/collship.h"
#include "game/world/ai_company.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/space.h"
#include "game/world/station.h"
#include "tests/app/new_game_fixture.h"

namespace {

constexpr double kStep = 1.0 / 50.0;
constexpr std::int32_t kEssentials[5] = {KIND_GENERATOR, KIND_COLLSHIPDOCK, KIND_PROCESSOR, KIND_STORAGE,
                                         KIND_CARGOPORT};

// What one computer company looked like after a frame.
struct WATCH {
    AICOMPANY* Company = nullptr;
    std::array<double, 5> Attached = {-1, -1, -1, -1, -1};
    double LastAttach = -1.0;
    double ShipBought = -1.0;
    std::uint32_t Parts = 0;
    std::uint32_t Decisions = 0;
    double LastDecision = 0.0;
};

std::uint32_t PartCount(const STATION* s)
{
    std::uint32_t n = 0;
    for (std::int32_t k = KIND_FIRST_STRUCTURE; k <= KIND_LAST_STRUCTURE; ++k)
        n += s->Counts[k];
    return n;
}

class AiGameTest : public gametest::NewGameSceneTest {
protected:
    void SetUp() override
    {
        NewGameSceneTest::SetUp();
        for (std::uint32_t v = 0; v < kCompanyCount; ++v)
            if (auto* ai = dynamic_cast<AICOMPANY*>(Companies[v]))
                watches.push_back({ai});
    }
    // One frame at 50 Hz; returns how many builders changed anything in it.
    int Step()
    {
        struct SNAP {
            BUILDSTATE State;
            std::uint32_t Decisions;
            PLACESTATE Placing;
            std::uint32_t Parts;
        };
        std::vector<SNAP> before;
        for (WATCH& w : watches) {
            auto* placer = dynamic_cast<AIPLACER*>(&w.Company->Builder()->Placer());
            before.push_back({w.Company->Builder()->State, w.Company->Builder()->Decisions, placer->State,
                              PartCount(w.Company->SiteStation())});
        }
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(kStep * 1e6)));
        QNAPP::StepTime(float(kStep));
        QNSCENE::UpdateScene(scene);
        QNSCENE::PostUpdateScene(scene);
        now += kStep;
        int acted = 0;
        for (std::size_t i = 0; i < watches.size(); ++i) {
            WATCH& w = watches[i];
            AIBUILDER* b = w.Company->Builder();
            auto* placer = dynamic_cast<AIPLACER*>(&b->Placer());
            const STATION* station = w.Company->SiteStation();
            const std::uint32_t parts = PartCount(station);
            acted += b->State != before[i].State || b->Decisions != before[i].Decisions ||
                     placer->State != before[i].Placing || parts != before[i].Parts;
            if (parts > before[i].Parts) {
                if (w.LastAttach >= 0.0) {
                    EXPECT_GE(now - w.LastAttach, AIPLACER::kPace - 1e-6) << "company " << w.Company->View;
                }
                w.LastAttach = now;
            }
            for (int k = 0; k < 5; ++k)
                if (w.Attached[k] < 0.0 && station->Counts[kEssentials[k]] > 0)
                    w.Attached[k] = now;
            if (w.ShipBought < 0.0 && w.Company->Ship())
                w.ShipBought = now;
            if (b->Decisions != w.Decisions) {
                w.Decisions = b->Decisions;
                w.LastDecision = now;
            }
            w.Parts = parts;
        }
        return acted;
    }

    std::vector<WATCH> watches;
    double now = 0.0;
};

TEST_F(AiGameTest, TwoMinutesGrowEssentialsBuyShipsAndEarn)
{
    ASSERT_EQ(watches.size(), 3u);
    const bool docks = STATION::IsBuildable(KIND_COLLSHIPDOCK);
    std::vector<float> money(watches.size());
    for (int frame = 0; frame < 50 * 120; ++frame) {
        for (std::size_t i = 0; i < watches.size(); ++i)
            money[i] = watches[i].Company->Money();
        std::vector<float> spending, rates;
        for (WATCH& w : watches) {
            spending.push_back(w.Company->Spending);
            // The rate follows the chain as the frame finds it (the builder may add to it later
            // in the frame): a quarter more per extra processor, storage unit, enhancer.
            const STATION* s = w.Company->SiteStation();
            const bool complete = s->Counts[KIND_PROCESSOR] && s->Counts[KIND_STORAGE] && s->CargoPort && s->Dock;
            rates.push_back(complete && !s->Underpowered
                                ? AICOMPANY::kBaseIncome * (1.0f + 0.25f * float(s->Counts[KIND_PROCESSOR] - 1) +
                                                            0.25f * float(s->Counts[KIND_STORAGE] - 1) +
                                                            0.25f * float(s->Counts[KIND_ENHANCER]))
                                : 0.0f);
        }
        ASSERT_LE(Step(), 1) << "frame " << frame;
        for (std::size_t i = 0; i < watches.size(); ++i) {
            AICOMPANY* c = watches[i].Company;
            ASSERT_FLOAT_EQ(c->IncomeRate, rates[i]) << "company " << c->View;
            if (watches[i].Attached[4] < 0.0 || watches[i].Attached[4] == now) {
                EXPECT_EQ(c->Spending, 0.0f) << "the essentials are free";
            }
            // Frames with nothing booked earn the rate for the frame.
            if (watches[i].ShipBought == now) {
                EXPECT_NEAR(c->Money() - money[i], c->IncomeRate * kStep - spending[i] - CollectorShipPrice(), 2.0f)
                    << "every computer ship costs its price, the first one too";
            }
            if (spending[i] == 0.0f && watches[i].ShipBought != now && c->InterestTimer.Elapsed() > kStep) {
                EXPECT_NEAR(c->Money() - money[i], c->IncomeRate * kStep, 1.0f + std::fabs(c->Money()) * 1e-6f);
            }
        }
    }
    for (WATCH& w : watches) {
        SCOPED_TRACE(w.Company->View);
        const STATION* s = w.Company->SiteStation();
        for (int k = 0; k < 5; ++k) {
            if (!STATION::IsBuildable(kEssentials[k]))
                continue;
            EXPECT_GE(w.Attached[k], 0.0) << "kind " << kEssentials[k];
            EXPECT_GE(s->Counts[kEssentials[k]], 1u);
        }
        for (int k = 1; k < 5; ++k) {
            if (w.Attached[k] >= 0.0 && w.Attached[k - 1] >= 0.0) {
                EXPECT_GT(w.Attached[k], w.Attached[k - 1]) << "essentials in order";
            }
        }
        if (docks) {
            ASSERT_GE(w.ShipBought, 0.0);
            EXPECT_GE(w.Company->IncomeRate, AICOMPANY::kBaseIncome);
            EXPECT_NE(w.Company->Pilot(), nullptr);
            EXPECT_FALSE(w.Company->FreeShip);
        } else {
            EXPECT_EQ(w.Company->Ship(), nullptr);
            EXPECT_EQ(w.Company->IncomeRate, 0.0f) << "no dock, no income";
        }
    }
}

TEST_F(AiGameTest, TenMinutesStayBoundedAndNoBuilderStalls)
{
    // Enough money to build: the builders must keep deciding unless they wait for money or room.
    for (WATCH& w : watches)
        w.Company->SetMoney(500000000.0f);
    for (int frame = 0; frame < 50 * 600; ++frame)
        ASSERT_LE(Step(), 1);
    for (WATCH& w : watches) {
        SCOPED_TRACE(w.Company->View);
        AIBUILDER* b = w.Company->Builder();
        auto* placer = dynamic_cast<AIPLACER*>(&b->Placer());
        EXPECT_LT(w.Parts, 200u) << "the frame does not grow without end";
        const bool waitsForMoney = (b->State == BUILDSTATE::START && StructurePrice(b->Type) > w.Company->Money() - b->Saved) ||
                                   (b->State == BUILDSTATE::SAVING && w.Company->Money() - b->Saved < b->SavingStep);
        const bool outOfRoom = placer->State == PLACESTATE::GAVE_UP;
        EXPECT_TRUE(now - w.LastDecision < 60.0 || waitsForMoney || outOfRoom)
            << "last decision " << w.LastDecision << " state " << int(b->State) << " placer " << int(placer->State);
        EXPECT_LE(w.Company->SiteStation()->Counts[KIND_SHOCKWAVE], 1u);
        // Rich pilots wait at most (30 + 300) x 0.5 s before they jump to where the player looks.
        if (auto* ship = dynamic_cast<COLLSHIP*>(w.Company->Ship())) {
            EXPECT_GE(ship->HyperjumpCount, 1u);
        } else {
            ADD_FAILURE() << "no ship";
        }
    }
}

TEST_F(AiGameTest, ThirtyMinutesFromTheStartStayPoweredKeepEarningAndStopGrowing)
{
    // The companies start with no money: past eight powered parts each station needs a second
    // generator, which the builders must put up before the chain goes dark for good.
    struct LONGWATCH {
        double Earned = 0.0;         // income booked since the last minute mark
        int SilentMinute = 0;        // first minute from the third on that earned nothing
        double DarkSince = -1.0;     // start of the current underpowered stretch after set-up
        double LongestDark = 0.0;
        std::uint32_t PartsWhenDone = 0;   // parts once the builder held nothing more to place
        bool Done = false;
        std::uint32_t MostGenerators = 0;
    };
    std::vector<LONGWATCH> long_(watches.size());
    for (int frame = 1; frame <= 50 * 60 * 30; ++frame) {
        ASSERT_LE(Step(), 1);
        for (std::size_t i = 0; i < watches.size(); ++i) {
            AICOMPANY* c = watches[i].Company;
            const STATION* s = c->SiteStation();
            LONGWATCH& l = long_[i];
            l.Earned += double(c->IncomeRate) * kStep;
            l.MostGenerators = std::max(l.MostGenerators, s->Generators);
            if (now > 60.0 && s->Underpowered) {
                if (l.DarkSince < 0.0)
                    l.DarkSince = now;
                l.LongestDark = std::max(l.LongestDark, now - l.DarkSince);
            } else {
                l.DarkSince = -1.0;
            }
            AIBUILDER* b = c->Builder();
            if (!l.Done && b->Category == BUILDCATEGORY::SAVE && !b->GroupSize(1) && !b->GroupSize(2) &&
                !b->GroupSize(3)) {
                l.Done = true;
                l.PartsWhenDone = watches[i].Parts;
            }
            // From the third minute on every minute earns.
            if (frame % (50 * 60) == 0) {
                if (frame >= 50 * 60 * 3 && l.Earned <= 0.0 && l.SilentMinute == 0)
                    l.SilentMinute = frame / (50 * 60);
                l.Earned = 0.0;
            }
        }
    }
    EXPECT_TRUE(long_[0].Done || long_[1].Done || long_[2].Done) << "a builder placed its whole stock";
    for (std::size_t i = 0; i < watches.size(); ++i) {
        const WATCH& w = watches[i];
        SCOPED_TRACE(w.Company->View);
        AIBUILDER* b = w.Company->Builder();
        auto* placer = dynamic_cast<AIPLACER*>(&b->Placer());
        const STATION* s = w.Company->SiteStation();
        EXPECT_EQ(long_[i].SilentMinute, 0) << "every minute from the third earns";
        EXPECT_LT(long_[i].LongestDark, 30.0) << "a dark station gets a generator";
        EXPECT_GE(long_[i].MostGenerators, 2u) << "the station outgrew one generator";
        EXPECT_FALSE(s->Underpowered);
        EXPECT_GT(w.Company->IncomeRate, 0.0f);
        EXPECT_LT(w.Parts, 200u);
        if (long_[i].Done) {
            EXPECT_EQ(w.Parts, long_[i].PartsWhenDone) << "with nothing left to place the station stops growing";
        }
        const bool waitsForMoney = (b->State == BUILDSTATE::START && StructurePrice(b->Type) > w.Company->Money() - b->Saved) ||
                                   (b->State == BUILDSTATE::SAVING && w.Company->Money() - b->Saved < b->SavingStep);
        EXPECT_TRUE(now - w.LastDecision < 60.0 || waitsForMoney || placer->State == PLACESTATE::GAVE_UP)
            << "last decision " << w.LastDecision << " state " << int(b->State) << " placer " << int(placer->State);
    }
}

}  // namespace
