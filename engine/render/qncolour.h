#pragma once
/// The colour record: lighting colours in the layout of the device's material
/// (diffuse, ambient, specular, emissive, each r, g, b, a, then power).

#include "platform/gl_types.h"

struct QNCOLOUR : GfxMaterial {
    /// Diffuse and ambient (1, 1, 1), specular and emissive (0, 0, 0), all alphas 1, power 0.
    QNCOLOUR();
    /// Diffuse (r, g, b), ambient (r, g, b) x k, no specular or emissive, power 0; alphas kept.
    void SetColour(float r, float g, float b, float k);
    /// As SetColour, with specular (the largest of r, g, b plus 0.3) in all channels and power.
    void SetShiny(float r, float g, float b, float power, float k);
    /// Emissive (r, g, b); diffuse, ambient and specular 0; power 0.
    void SetEmissive(float r, float g, float b);
    /// The four alphas.
    void SetAlpha(float a);
};
