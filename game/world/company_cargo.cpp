// The company's ore chain: processors and storage units sorted each frame, product moved into
// storage, storage emptied into pods for a held freighter, and the freighter's fee and cargo
// value booked.

#include <cmath>

#include "game/world/cargo_port.h"
#include "game/world/company.h"
#include "game/world/ore_processor.h"
#include "game/world/ore_storage.h"
#include "game/world/station.h"

namespace {

constexpr float kSame = 0.0001f;

bool Near(float a, float b)
{
    return std::fabs(a - b) < kSame;
}

template <class PART>
PART* TakeFirst(std::vector<QNWEAK<STATIONPART>>& list)
{
    while (!list.empty()) {
        PART* part = dynamic_cast<PART*>(list.front().Get());
        list.erase(list.begin());
        if (part)
            return part;
    }
    return nullptr;
}

}  // namespace

CARGOPORT* COMPANY::SiteCargoPort() const
{
    const STATION* station = SiteStation();
    return station ? dynamic_cast<CARGOPORT*>(station->CargoPort.Get()) : nullptr;
}

bool COMPANY::CallFreighter()
{
    CARGOPORT* port = SiteCargoPort();
    return port && port->CallFreighter();
}

void COMPANY::SortProcessingChain()
{
    IdleProcessors.clear();
    EmptyStorage.clear();
    FinishedProcessors.clear();
    FullStorage.clear();
    ProcessingProgress = 0.0f;
    STATION* station = SiteStation();
    if (!station)
        return;
    EnhancersChanged = station->EnhancersChanged;
    station->EnhancersChanged = false;
    for (const QNWEAK<STATIONPART>& entry : station->ProcessorsAndStorage) {
        STATIONPART* part = entry.Get();
        if (auto* processor = dynamic_cast<PROCESSOR*>(part)) {
            switch (processor->ProcessingState) {
            case PROCESSORSTATE::IDLE:
                IdleProcessors.emplace_back(part);
                break;
            case PROCESSORSTATE::FINISHED:
                FinishedProcessors.emplace_back(part);
                break;
            case PROCESSORSTATE::PROCESSING:
                ProcessingProgress =
                    std::fmax(ProcessingProgress, processor->Progress() / PROCESSOR::kProcessingTime);
                break;
            case PROCESSORSTATE::PAUSED:
                break;
            }
        } else if (auto* storage = dynamic_cast<STORAGE*>(part)) {
            if (Near(storage->Level, 0.0f) && Near(storage->StoredOre, 0.0f))
                EmptyStorage.emplace_back(part);
            else if (!LoadingStorage.Is(part) && Near(storage->Level, 100.0f))
                FullStorage.emplace_back(part);
        }
    }
}

void COMPANY::CargoStep()
{
    // Each finished processor fills an empty unit of its own.
    while (!FinishedProcessors.empty() && !EmptyStorage.empty()) {
        auto* processor = TakeFirst<PROCESSOR>(FinishedProcessors);
        auto* storage = TakeFirst<STORAGE>(EmptyStorage);
        if (!processor || !storage)
            break;
        storage->StoredOre = processor->Amount;
        storage->SetLevel(100.0f);
        processor->Collect();
    }
    CARGOPORT* port = SiteCargoPort();
    if (!port)
        return;
    if (port->PendingFee() != 0.0f)
        AddMoney(-port->TakeFee());
    if (port->Phase() == FREIGHTERPHASE::HOLDING) {
        if (auto* loading = dynamic_cast<STORAGE*>(LoadingStorage.Get())) {
            if (Near(loading->Level, 0.0f)) {
                port->AddPod(loading->StoredOre);
                loading->StoredOre = 0.0f;
                LoadingStorage.Reset();
            }
        } else if (auto* full = TakeFirst<STORAGE>(FullStorage)) {
            LoadingStorage = full;
            full->SetLevel(0.0f);
        } else if (GAMENODE* pending = port->PendingPods(); pending && !pending->FirstChild()) {
            port->DispatchFreighter();
        }
    }
    if (port->PendingCargoValue() != 0.0f)
        AddMoney(port->TakeCargoValue());
}
