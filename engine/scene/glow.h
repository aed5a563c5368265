#pragma once
/// GLOW, a textured alpha-blended sprite node, and QNGLOW, a light glow that shows its GLOW
/// child only while the camera looks into the glow's cone.
///
/// Glow frame. With u the unit vector from the glow to the camera and z the glow's own z axis,
/// the view angle is acos(z . u) (the cosine clamped to [-1, 1]). Outside the cone the glow is
/// hidden. Within the fade width of the cone's edge the sprite fades and shrinks linearly to 0
/// at the edge: k = (cone - angle) / fade, times the glow's alpha. The sprite is the billboard
/// scaled by k at the glow's position, pulled towards the camera by min(size, distance - 0.5)
/// so that the surface the glow sits on does not hide it and it never passes the camera. A
/// camera at the glow's own position gives no direction: the frame is skipped.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnmatrix.h"

class GLOW : public GAMENODE {
public:
    GLOW(QNNODE* parent, const QNMATRIX* transform, const char* mesh, const char* texture, std::uint32_t userFlags);
};

/// One frame of a glow, computed from the glow's world matrix and the camera.
struct QNGLOWFRAME {
    bool Outside = false;
    float Angle = 0.0f;
    float K = 0.0f;      ///< alpha and scale of the sprite
    QNMATRIX World;      ///< the sprite's world matrix
};

/// False when there is no direction to the camera (camera at the glow's position).
bool ComputeGlowFrame(const QNMATRIX& glowWorld, const QNVEC3& camera, const QNMATRIX& billboard, float coneAngle,
                      float fadeWidth, float size, float alpha, QNGLOWFRAME& out);

class QNGLOW : public GAMENODE {
public:
    /// A glow at `transform` with its GLOW child (mesh and texture named), cone and fade in radians.
    QNGLOW(QNNODE* parent, const QNMATRIX* transform, float coneAngle, float fadeWidth, float size, const char* mesh,
           const char* texture);

    void Update() override;

    float ConeAngle = 0.0f;
    float FadeWidth = 0.0f;
    float Size = 0.0f;
    float Alpha = 1.0f;
    std::uint8_t Outside = 0;
    GLOW* Glow = nullptr;

    /// The vote a glow's cone test writes.
    static constexpr std::int32_t kVisibilityVote = 2;
};
