#include "game/world/station_placer.h"

#include <algorithm>

#include "engine/util/qnmath.h"
#include "game/world/station.h"

AIPLACER::AIPLACER(STATION* station) : station_(station)
{
    PaceTimer.Init(0.0);
}

void AIPLACER::SetMinimumFree(std::uint32_t n)
{
    minFree_ = std::clamp(n, kMinFreeLow, kMinFreeHigh);
}

void AIPLACER::Request(std::int32_t kind, float price, std::uint32_t colour)
{
    Kind = kind;
    Price = price;
    Colour = colour;
    outcome_ = PLACEOUTCOME::NONE;
    hasCandidate_ = false;
    State = PLACESTATE::COLLECT_JOINTS;
}

void AIPLACER::Stop()
{
    State = PLACESTATE::IDLE;
    hasCandidate_ = false;
    outcome_ = PLACEOUTCOME::NONE;
}

void AIPLACER::AddFreeConnectors(STATIONPART* part, LIST& into)
{
    for (std::int32_t i = 0; i < part->ConnectorCount; ++i) {
        if (part->Connectors[i].IsFree())
            into.push_back({QNWEAK<STATIONPART>(part), i});
    }
}

void AIPLACER::Scan(LIST& into, PLACESTATE next)
{
    STATIONPART* part = scanIndex_ < scratch_.size() ? scratch_[scanIndex_].Get() : nullptr;
    ++scanIndex_;
    if (part)
        AddFreeConnectors(part, into);
    if (scanIndex_ >= scratch_.size() || scanIndex_ >= kScanLimit)
        State = next;
}

bool AIPLACER::Draw(LIST& from, CANDIDATE& out)
{
    if (from.empty())
        return false;
    const auto last = static_cast<float>(from.size() - 1);
    const auto index = static_cast<std::size_t>(std::clamp(RoundToInt(RandomRange(0.0f, last)), 0, int(from.size() - 1)));
    out = from[index];
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool AIPLACER::DrawFrameConnector(CANDIDATE& out)
{
    const bool topOnly = STATION::AllowedFaces(Kind) == (1u << FACE_TOP);
    for (;;) {
        const std::size_t n = tried_.size() + open_.size();
        if (n == 0)
            return false;
        const auto last = static_cast<float>(n - 1);
        const auto index = static_cast<std::size_t>(std::clamp(RoundToInt(RandomRange(0.0f, last)), 0, int(n - 1)));
        LIST& list = index < tried_.size() ? tried_ : open_;
        const std::size_t at = index < tried_.size() ? index : index - tried_.size();
        CANDIDATE c = list[at];
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
        STATIONPART* part = c.Part.Get();
        if (!part || !part->Connectors[c.Connector].IsFree())
            continue;
        // A beam hanging down from a joint cannot carry a kind that stands on top faces only.
        if (topOnly && part->ConnectorFace(c.Connector) == FACE_BOTTOM) {
            dead_.push_back(c);
            continue;
        }
        out = c;
        return true;
    }
}

bool AIPLACER::PositionIndependent(std::uint32_t result)
{
    return result == PLACE_NO_STRUCTURE || result == PLACE_MAXIMUM_REACHED;
}

STATIONPART* AIPLACER::Attach(const CANDIDATE& at, std::int32_t kind, float price, std::uint32_t colour,
                              std::uint32_t& result)
{
    STATION* station = station_.Get();
    STATIONPART* part = at.Part.Get();
    if (!station) {
        result = PLACE_NO_STRUCTURE;
        return nullptr;
    }
    if (!part || at.Connector < 0 || at.Connector >= part->ConnectorCount) {
        result = PLACE_NO_CONNECTIONS;
        return nullptr;
    }
    station->Selected = part;
    station->SelectedConnector = at.Connector;
    STATIONPART* made = station->AttachPart(kind, price, colour);
    result = station->Result;
    station->Selected.Reset();
    station->SelectedConnector = -1;
    return made;
}

void AIPLACER::Placed()
{
    Ready = false;
    PaceTimer.Restart();
}

void AIPLACER::Drop()
{
    State = PLACESTATE::IDLE;
    hasCandidate_ = false;
    outcome_ = PLACEOUTCOME::DROPPED;
}

void AIPLACER::Step()
{
    if (!Ready && PaceTimer.Elapsed() >= kPace)
        Ready = true;
    STATION* station = station_.Get();
    if (State != PLACESTATE::IDLE && (!station || !STATION::IsBuildable(Kind))) {
        // Nothing to place on, or a kind no place would take.
        Drop();
        return;
    }
    std::uint32_t result = PLACE_OK;
    switch (State) {
    case PLACESTATE::IDLE:
    case PLACESTATE::GAVE_UP:
        break;
    case PLACESTATE::COLLECT_JOINTS:
    case PLACESTATE::COLLECT_BEAMS: {
        const bool joints = State == PLACESTATE::COLLECT_JOINTS;
        if (joints) {
            dead_.clear();
            tried_.clear();
            open_.clear();
        } else {
            failedEnds_.clear();
            beamEnds_.clear();
        }
        scratch_.clear();
        for (STATIONPART* p : station->CollectParts(joints ? KIND_JOINT : KIND_BEAM, kScanLimit))
            scratch_.emplace_back(p);
        scanIndex_ = 0;
        State = joints ? PLACESTATE::SCAN_JOINTS : PLACESTATE::SCAN_BEAMS;
        break;
    }
    case PLACESTATE::SCAN_JOINTS:
        Scan(open_, PLACESTATE::COLLECT_BEAMS);
        break;
    case PLACESTATE::SCAN_BEAMS:
        Scan(beamEnds_, PLACESTATE::PICK_JOINT_CONNECTOR);
        break;
    case PLACESTATE::PICK_JOINT_CONNECTOR:
        hasCandidate_ = Draw(open_, candidate_);
        State = PLACESTATE::TRY_JOINT_CONNECTOR;
        break;
    case PLACESTATE::TRY_JOINT_CONNECTOR: {
        if (!hasCandidate_) {
            State = PLACESTATE::PICK_BEAM_END;
            break;
        }
        if (!Ready)
            break;
        STATIONPART* part = candidate_.Part.Get();
        const bool fits = part && (STATION::AllowedFaces(Kind) & (1u << part->ConnectorFace(candidate_.Connector))) &&
                          part->CountFreeConnectors() >= static_cast<std::int32_t>(minFree_);
        if (fits && Attach(candidate_, Kind, Price, Colour, result)) {
            Placed();
            hasCandidate_ = false;
            outcome_ = PLACEOUTCOME::PLACED;
            State = PLACESTATE::IDLE;
            break;
        }
        if (fits && PositionIndependent(result)) {
            Drop();
            break;
        }
        tried_.push_back(candidate_);
        hasCandidate_ = false;
        State = PLACESTATE::PICK_JOINT_CONNECTOR;
        break;
    }
    case PLACESTATE::PICK_BEAM_END:
        hasCandidate_ = Draw(beamEnds_, candidate_);
        State = PLACESTATE::TRY_BEAM_END;
        break;
    case PLACESTATE::TRY_BEAM_END: {
        if (!hasCandidate_) {
            State = PLACESTATE::PICK_FRAME_CONNECTOR;
            break;
        }
        if (!Ready)
            break;
        if (STATIONPART* joint = Attach(candidate_, KIND_JOINT, 0.0f, STATION::kNoColour, result)) {
            Placed();
            AddFreeConnectors(joint, open_);
            hasCandidate_ = false;
            State = PLACESTATE::PICK_JOINT_CONNECTOR;
            break;
        }
        if (PositionIndependent(result)) {
            Drop();
            break;
        }
        failedEnds_.push_back(candidate_);
        hasCandidate_ = false;
        State = PLACESTATE::PICK_BEAM_END;
        break;
    }
    case PLACESTATE::PICK_FRAME_CONNECTOR:
        hasCandidate_ = DrawFrameConnector(candidate_);
        State = PLACESTATE::TRY_BEAM;
        break;
    case PLACESTATE::TRY_BEAM: {
        if (!hasCandidate_) {
            State = PLACESTATE::GAVE_UP;
            break;
        }
        if (!Ready)
            break;
        if (STATIONPART* beam = Attach(candidate_, KIND_BEAM, 0.0f, STATION::kNoColour, result)) {
            Placed();
            AddFreeConnectors(beam, beamEnds_);
            hasCandidate_ = false;
            State = PLACESTATE::PICK_BEAM_END;
            break;
        }
        if (PositionIndependent(result)) {
            Drop();
            break;
        }
        dead_.push_back(candidate_);
        hasCandidate_ = false;
        State = PLACESTATE::PICK_FRAME_CONNECTOR;
        break;
    }
    }
}
