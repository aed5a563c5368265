// A computer company on its own site: the builder grows the essentials, the income follows the
// chain, power and enhancers, and running costs and enhancer pairs reach the company.

#include <vector>

#include "game/world/ai_company.h"
#include "game/world/game_globals.h"
#include "game/world/generator.h"
#include "game/world/item_types.h"
#include "station_test_util.h"

namespace {

// A structure whose own class lives elsewhere: a joint-sized cube with one connector.
class STANDIN : public STATIONPART {
public:
    STANDIN(STATIONPART* parent, std::int32_t connector, std::int32_t kind, std::uint32_t view)
        : STATIONPART(parent, "STANDIN", kind, 0, false, 0, view)
    {
        SetTexture("joint");
        SetMesh("joint");
        AddConnector(FACE_FRONT);
        AttachTo(parent, connector, 0);
    }
};

template <std::int32_t Kind>
STATIONPART* MakeKind(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new STANDIN(parent, connector, Kind, station.ViewIndex);
}

class AiCompanyTest : public stationtest::StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        STATION::SetMaker(KIND_COLLSHIPDOCK, &MakeKind<KIND_COLLSHIPDOCK>);
        STATION::SetMaker(KIND_PROCESSOR, &MakeKind<KIND_PROCESSOR>);
        STATION::SetMaker(KIND_STORAGE, &MakeKind<KIND_STORAGE>);
        STATION::SetMaker(KIND_CARGOPORT, &MakeKind<KIND_CARGOPORT>);
        BuilderTurns.Create(5);
        company = new AICOMPANY(0, 2, table, scene);
        table[0] = company;
        station = company->SiteStation();
    }
    void TearDown() override
    {
        delete company;
        BuilderTurns.Destroy();
        StationTest::TearDown();
    }
    void Step()
    {
        company->Update();
        BuilderTurns.Advance();
        Frame();
    }
    // Places `kind` on the station as the builder would.
    void Place(std::int32_t kind, std::uint32_t colour = STATION::kNoColour)
    {
        AIPLACER placer(station);
        placer.SetMinimumFree(5);
        placer.Request(kind, 0.0f, colour);
        for (int i = 0; i < 3000 && placer.IsBusy() && placer.State != PLACESTATE::GAVE_UP; ++i) {
            placer.Step();
            Frame();
        }
        ASSERT_EQ(placer.Outcome(), PLACEOUTCOME::PLACED) << kind;
    }

    COMPANY* table[4] = {};
    AICOMPANY* company = nullptr;
    STATION* station = nullptr;
};

TEST_F(AiCompanyTest, EssentialsFreeAndPacedThenIncomeFollowsChainPowerAndEnhancers)
{
    ASSERT_TRUE(station);
    EXPECT_EQ(company->Site()->State, 2) << "drawn only when the player jumps there";
    const std::int32_t kinds[5] = {KIND_GENERATOR, KIND_COLLSHIPDOCK, KIND_PROCESSOR, KIND_STORAGE, KIND_CARGOPORT};
    std::vector<double> times;
    double t = 0.0;
    for (int frame = 0; frame < 60 * 60 && times.size() < 5; ++frame, t += kFrame) {
        Step();
        while (times.size() < 5 && station->Counts[kinds[times.size()]] == 1)
            times.push_back(t);
        EXPECT_EQ(company->Money(), 0.0f) << "essentials are free and earn nothing before the chain";
    }
    ASSERT_EQ(times.size(), 5u);
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 2.0 - 1e-6) << i;

    // A complete, powered chain earns 150,000 a second; nothing is affordable yet to spend it on.
    Step();
    EXPECT_FLOAT_EQ(company->IncomeRate, AICOMPANY::kBaseIncome);
    const float before = company->Money();
    for (int i = 0; i < 600; ++i)
        Step();
    EXPECT_NEAR(company->Money() - before, 10.0f * AICOMPANY::kBaseIncome, 2000.0f);

    // Running costs: the station's repair bill is taken off once.
    station->RepairCostTotal = 40000.0f;
    const float m0 = company->Money();
    Step();
    EXPECT_EQ(station->RepairCostTotal, 0.0f);
    EXPECT_NEAR(company->Money() - m0, AICOMPANY::kBaseIncome * kFrame - 40000.0f, 50.0f);

    // Each further processor or storage unit and each enhancer adds a quarter.
    Place(KIND_PROCESSOR);
    Place(KIND_ENHANCER, PAIR_RED_BLUE);
    EXPECT_FLOAT_EQ(company->ComputeIncomeRate(), 1.5f * AICOMPANY::kBaseIncome);
    EXPECT_EQ(company->StationEnhancerPairs(), 1u << PAIR_RED_BLUE);

    // Without its generator the station is underpowered and earns nothing; the builder puts up
    // a new one at once, charged even in debt, and the income returns.
    STATIONPART* generator = station->CollectParts(KIND_GENERATOR, 1).front();
    generator->Kill();
    for (int i = 0; i < 5 && !station->Underpowered; ++i)
        Step();
    ASSERT_TRUE(station->Underpowered);
    EXPECT_EQ(company->ComputeIncomeRate(), 0.0f);
    company->SetMoney(-1000000.0f);
    company->InterestTimer.Restart();
    for (int i = 0; i < 60 * 50 && station->Underpowered; ++i)
        Step();
    ASSERT_FALSE(station->Underpowered);
    EXPECT_EQ(station->Generators, 1u);
    Step();
    EXPECT_FLOAT_EQ(company->IncomeRate, 1.5f * AICOMPANY::kBaseIncome);
    EXPECT_NEAR(company->Money(), -1000000.0f - StructurePrice(ITEM_GENERATOR), 2.0f * company->IncomeRate * kFrame);

    // Without a cargo port (and no item to rebuild one) nothing is earned; interest is charged.
    station->CollectParts(KIND_CARGOPORT, 1).front()->Kill();
    for (int i = 0; i < 5 && station->CargoPort; ++i)
        Step();
    ASSERT_FALSE(station->CargoPort);
    company->SetMoney(-1000000.0f);
    company->InterestTimer.Restart();
    for (int i = 0; i < 60 * 61; ++i)
        Step();
    EXPECT_EQ(company->IncomeRate, 0.0f);
    EXPECT_NEAR(company->Money(), -1050000.0f, 1.0f);
    EXPECT_NEAR(PilotWaitFactor, 1.0f + 1050000.0f * 5e-9f, 1e-4f);
}

}  // namespace
