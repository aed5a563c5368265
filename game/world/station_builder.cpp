#include "game/world/station_builder.h"

#include <algorithm>

#include "engine/util/qnmath.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/station.h"

namespace {

constexpr std::uint32_t kEssentialGroup = 5;
constexpr std::uint32_t kEssentialTypes[AIBUILDER::kEssentials] = {ITEM_GENERATOR, ITEM_DOCK, ITEM_PROCESSOR,
                                                                   ITEM_STORAGE, ITEM_CARGOPORT};
// Capacity of the builders' turn set when the first builder makes it.
constexpr std::uint32_t kBuilderTurnCapacity = 5;

class STATIONREADS : public BUILDSTATION {
public:
    explicit STATIONREADS(STATION* station) : station_(station) {}
    bool Underpowered() const override
    {
        const STATION* s = station_.Get();
        return s && s->Underpowered;
    }
    bool NoPowerForMore() const override
    {
        const STATION* s = station_.Get();
        return s && s->NoPowerForMore();
    }
    std::uint32_t Generators() const override
    {
        const STATION* s = station_.Get();
        return s ? s->Generators : 0;
    }
    std::uint32_t PartCount(std::int32_t kind) const override
    {
        const STATION* s = station_.Get();
        return s && IsStructureKind(kind) ? s->Counts[kind] : 0;
    }

private:
    QNWEAK<STATION> station_;
};

}  // namespace

BUILDITEM::BUILDITEM(QNITEM* group, std::uint32_t type, AIBUILDER* builder) : Type(type), builder_(builder)
{
    group->AddChild(this);
    if (type < AIBUILDER::kTypes)
        ++builder_->counts_[type];
}

BUILDITEM::~BUILDITEM()
{
    if (Type < AIBUILDER::kTypes && builder_->counts_[Type] > 0)
        --builder_->counts_[Type];
}

std::uint32_t AIBUILDER::GroupOf(std::uint32_t type)
{
    if (type == ITEM_GENERATOR || type == ITEM_DOCK)
        return 1;
    if (type >= ITEM_PROCESSOR && type <= ITEM_ENHANCER)
        return 2;
    if (type >= ITEM_EARLYWARNING && type <= ITEM_MERCSHIPDOCK)
        return 3;
    return 0;
}

AIBUILDER::AIBUILDER(std::unique_ptr<BUILDSTATION> station, BUILDACCOUNT* account, std::unique_ptr<BUILDPLACER> placer)
    : station_(std::move(station)), account_(account), placer_(std::move(placer))
{
    for (std::uint32_t type : kEssentialTypes)
        new BUILDITEM(&groups_[kEssentialGroup], type, this);
    serial_ = IDSET::NewSerial();
    if (!BuilderTurns.IsCreated())
        BuilderTurns.Create(kBuilderTurnCapacity);
    BuilderTurns.Insert(serial_);
    DecisionTimer.Init(0.0);
}

std::unique_ptr<AIBUILDER> AIBUILDER::ForStation(STATION* station, BUILDACCOUNT* account)
{
    return std::make_unique<AIBUILDER>(std::make_unique<STATIONREADS>(station), account,
                                       std::make_unique<AIPLACER>(station));
}

AIBUILDER::~AIBUILDER()
{
    BuilderTurns.Remove(serial_);
    if (BuilderTurns.IsCreated() && BuilderTurns.Count() == 0)
        BuilderTurns.Destroy();
    for (QNITEM& group : groups_)
        group.DeleteChildren();
}

void AIBUILDER::SetWeights(float w1, float w2, float w3, float w4)
{
    const float w[4] = {w1, w2, w3, w4};
    const float sum = w1 + w2 + w3 + w4;
    for (int i = 0; i < 4; ++i)
        weights_[i] = sum > 0.0f ? w[i] / sum : 0.25f;
    std::uint32_t order[4] = {1, 2, 3, 4};
    std::stable_sort(order, order + 4, [this](std::uint32_t a, std::uint32_t b) { return weights_[a - 1] > weights_[b - 1]; });
    std::copy(order, order + 4, preference_);
}

void AIBUILDER::AddItems(std::uint32_t type, std::uint32_t n)
{
    const std::uint32_t group = GroupOf(type);
    if (group == 0)
        return;
    for (std::uint32_t i = 0; i < n; ++i)
        new BUILDITEM(&groups_[group], type, this);
}

std::uint32_t AIBUILDER::GroupSize(std::uint32_t group) const
{
    return group < kGroups ? groups_[group].ChildCount() : 0;
}

void AIBUILDER::Request(std::int32_t kind, float price, std::uint32_t colour)
{
    placer_->Request(kind, price, colour);
}

bool AIBUILDER::HoldsPoweredItems() const
{
    for (std::uint32_t type = 0; type < kTypes; ++type) {
        if (type != ITEM_GENERATOR && counts_[type] > 0)
            return true;
    }
    return false;
}

bool AIBUILDER::NeedsGenerator() const
{
    // The computer companies hold no generator items, and one generator powers eight parts: with
    // the items alone their stations would go dark at the ninth powered part, earn nothing and
    // never afford another build. So the station's own need also calls for one: any time it is
    // underpowered, and before one more part while items of powered kinds are still to be placed.
    if (Count(ITEM_GENERATOR) > station_->Generators())
        return true;
    return station_->Underpowered() || HoldsPoweredItems();
}

bool AIBUILDER::Urgent() const
{
    if (Category == BUILDCATEGORY::ESSENTIAL || Category == BUILDCATEGORY::REPLACE)
        return false;
    if (station_->Underpowered() && NeedsGenerator())
        return true;
    for (std::uint32_t type : {ITEM_DOCK, ITEM_PROCESSOR, ITEM_STORAGE, ITEM_CARGOPORT}) {
        if (station_->PartCount(static_cast<std::int32_t>(type)) == 0 && Count(type) > 0)
            return true;
    }
    return false;
}

std::uint32_t AIBUILDER::TakeFrom(std::uint32_t group)
{
    QNITEM& list = groups_[group];
    const std::uint32_t n = list.ChildCount();
    if (n == 0)
        return 0;
    const auto index = std::min(static_cast<std::uint32_t>(RandomRange(0.0f, static_cast<float>(n) - 0.0001f)), n - 1);
    auto* build = static_cast<BUILDITEM*>(list.ChildAt(index));
    const std::uint32_t type = build ? build->Type : 0;
    delete build;
    return type;
}

void AIBUILDER::Choose()
{
    ++Decisions;
    QNITEM& essentials = groups_[kEssentialGroup];
    if (auto* item = static_cast<BUILDITEM*>(essentials.FirstChild())) {
        Category = BUILDCATEGORY::ESSENTIAL;
        Type = item->Type;
        delete item;
        return;
    }
    if (station_->Underpowered() && NeedsGenerator()) {
        Category = BUILDCATEGORY::REPLACE;
        Type = ITEM_GENERATOR;
        return;
    }
    for (std::uint32_t type : {ITEM_DOCK, ITEM_PROCESSOR, ITEM_STORAGE, ITEM_CARGOPORT}) {
        if (station_->PartCount(static_cast<std::int32_t>(type)) == 0 && Count(type) > 0) {
            Category = BUILDCATEGORY::REPLACE;
            Type = type;
            return;
        }
    }
    if (station_->NoPowerForMore() && NeedsGenerator()) {
        Category = BUILDCATEGORY::FRAME_AND_POWER;
        Type = ITEM_GENERATOR;
        return;
    }
    const float r = RandomRange(0.0f, 1.0f);
    const float* w = weights_;
    std::uint32_t category = 4;
    if (r < w[0])
        category = 1;
    else if (r - w[0] < w[1])
        category = 2;
    else if (r - w[0] - w[1] < w[2])
        category = 3;
    std::uint32_t type = category == 4 ? 0 : TakeFrom(category);
    if (category != 4 && type == 0) {
        category = 4;
        for (std::uint32_t preferred : preference_) {
            if (preferred == 4)
                break;
            if ((type = TakeFrom(preferred)) != 0) {
                category = preferred;
                break;
            }
        }
    }
    Category = static_cast<BUILDCATEGORY>(category);
    Type = type;
}

void AIBUILDER::Step()
{
    if (!BuilderTurns.HasTurn(serial_))
        return;
    placer_->Step();
    const float money = account_->Funds();
    Saved = std::min(Saved, money);
    if (!(Saved > 0.0f))
        Saved = 0.0f;

    switch (State) {
    case BUILDSTATE::IDLE:
        State = BUILDSTATE::CHOOSE;
        break;
    case BUILDSTATE::CHOOSE:
        Choose();
        DecisionTimer.Restart();
        State = Category == BUILDCATEGORY::SAVE ? BUILDSTATE::SAVING : BUILDSTATE::START;
        break;
    case BUILDSTATE::START:
        if (Urgent()) {
            State = BUILDSTATE::IDLE;
            break;
        }
        if (Category != BUILDCATEGORY::ESSENTIAL && Category != BUILDCATEGORY::REPLACE &&
            StructurePrice(Type) > money - Saved)
            break;
        Request(static_cast<std::int32_t>(Type), 0.0f, 0);
        State = BUILDSTATE::PLACING;
        break;
    case BUILDSTATE::PLACING:
        if (Urgent()) {
            placer_->Stop();
            State = BUILDSTATE::IDLE;
            break;
        }
        if (placer_->IsBusy())
            break;
        if (Category != BUILDCATEGORY::ESSENTIAL && placer_->Outcome() == PLACEOUTCOME::PLACED)
            account_->Spend(StructurePrice(Type));
        State = BUILDSTATE::DONE;
        break;
    case BUILDSTATE::SAVING:
        if (Urgent()) {
            State = BUILDSTATE::IDLE;
            break;
        }
        if (money - Saved >= SavingStep) {
            Saved += SavingStep;
            State = BUILDSTATE::DONE;
        }
        break;
    case BUILDSTATE::DONE:
        State = BUILDSTATE::IDLE;
        break;
    }
}
