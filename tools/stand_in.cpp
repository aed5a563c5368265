#include "tools/stand_in.h"

#include <cctype>
#include <stdexcept>

std::uint32_t MemberSeed(const QNMEDIAENTRY& entry, int member) {
    // FNV-1a of the member's archive name, case-folded.
    std::uint32_t h = 2166136261u;
    for (char c : MediaMemberPath(entry.Path, member)) {
        h ^= static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(c)));
        h *= 16777619u;
    }
    return h;
}

Bytes MakeStandIn(const QNMEDIAENTRY& entry, int member) {
    switch (entry.Kind) {
    case QNMEDIAKIND::MESH: return MakeMesh(entry, member);
    case QNMEDIAKIND::TEXTURE: return MakeTexture(entry, member);
    case QNMEDIAKIND::SOUND: return MakeSound(entry, member);
    }
    throw std::logic_error("unknown media kind");
}
