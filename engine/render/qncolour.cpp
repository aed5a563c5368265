#include "engine/render/qncolour.h"

#include <algorithm>

namespace {
void Rgb(GfxColorValue& c, float r, float g, float b) {
    c.r = r;
    c.g = g;
    c.b = b;
}
}  // namespace

QNCOLOUR::QNCOLOUR() {
    Diffuse = {1, 1, 1, 1};
    Ambient = {1, 1, 1, 1};
    Specular = {0, 0, 0, 1};
    Emissive = {0, 0, 0, 1};
    Power = 0.0f;
}

void QNCOLOUR::SetColour(float r, float g, float b, float k) {
    Rgb(Diffuse, r, g, b);
    Rgb(Ambient, r * k, g * k, b * k);
    Rgb(Specular, 0, 0, 0);
    Rgb(Emissive, 0, 0, 0);
    Power = 0.0f;
}

void QNCOLOUR::SetShiny(float r, float g, float b, float power, float k) {
    Rgb(Diffuse, r, g, b);
    Rgb(Ambient, r * k, g * k, b * k);
    float s = std::max({r, g, b}) + 0.3f;
    Rgb(Specular, s, s, s);
    Rgb(Emissive, 0, 0, 0);
    Power = power;
}

void QNCOLOUR::SetEmissive(float r, float g, float b) {
    Rgb(Emissive, r, g, b);
    Rgb(Diffuse, 0, 0, 0);
    Rgb(Ambient, 0, 0, 0);
    Rgb(Specular, 0, 0, 0);
    Power = 0.0f;
}

void QNCOLOUR::SetAlpha(float a) { Diffuse.a = Ambient.a = Specular.a = Emissive.a = a; }
