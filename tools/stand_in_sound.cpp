// Stand-in sounds, 16-bit PCM at 22050 Hz.
//
// Looped sounds must join end to start without a click. Every periodic part of them (tones,
// tremolo, rhythm) is tuned to a whole number of cycles over the sound's length, and noise is
// made periodic by cross-fading the samples just past the end into the start: with n samples
// and a fade of f, out[i] = x[i] * i / f + x[n + i] * (1 - i / f) for i < f, so out[n - 1] is
// followed by out[0] exactly as x[n - 1] is followed by x[n]. Filters run over the extended
// buffer before the fade, so their state is continuous too.

#include "physics/dynamics/me_random.h"
#include "tools/media_formats.h"
#include "tools/stand_in.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kRate = 22050;
constexpr float kTwoPi = 6.28318530718f;

struct Synth {
    int n;              // samples of one member
    bool loop;
    float seconds;
    MeRandomGenerator rng;

    float White() { return static_cast<float>(rng.Next()) / static_cast<float>(MeRANDOM_MAX) * 2.0f - 1.0f; }

    // Frequency nudged to a whole number of cycles over the length when looping.
    float Tune(float f) const {
        if (!loop) return f;
        float cycles = std::max(1.0f, std::round(f * seconds));
        return cycles / seconds;
    }

    // Noise, low-passed by a one-pole filter with the given cut-off; periodic when looping.
    std::vector<float> Noise(float cutoff) {
        int fade = loop ? std::min(n / 4, kRate / 10) : 0;
        std::vector<float> x(static_cast<std::size_t>(n + fade));
        float k = 1.0f - std::exp(-kTwoPi * cutoff / kRate), y = 0.0f;
        for (int warm = 0; warm < 2000; ++warm) y += k * (White() - y);
        for (float& s : x) {
            y += k * (White() - y);
            s = y;
        }
        std::vector<float> out(x.begin(), x.begin() + n);
        for (int i = 0; i < fade; ++i) {
            float t = static_cast<float>(i) / static_cast<float>(fade);
            out[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(i)] * t + x[static_cast<std::size_t>(n + i)] * (1 - t);
        }
        // Normalise so that the filtered noise keeps its level whatever the cut-off.
        float peak = 1e-6f;
        for (float s : out) peak = std::max(peak, std::fabs(s));
        for (float& s : out) s /= peak;
        return out;
    }

    float Time(int i) const { return static_cast<float>(i) / kRate; }
};

// Attack-decay envelope of a one-shot sound.
float Env(float t, float attack, float length) {
    if (t < attack) return t / attack;
    return std::max(0.0f, 1.0f - (t - attack) / std::max(1e-3f, length - attack));
}

std::vector<float> Render(const QNMEDIAENTRY& e, int member, std::uint32_t seed, int channel) {
    Synth s{static_cast<int>(std::lround(e.Seconds * kRate)), e.Loops, e.Seconds, {}};
    s.rng.state = seed + static_cast<std::uint32_t>(channel) * 7919u;
    std::vector<float> out(static_cast<std::size_t>(s.n), 0.0f);
    const float f0 = e.Pitch * (1.0f + 0.12f * static_cast<float>(member));
    const float len = e.Seconds;
    auto each = [&](auto&& f) {
        for (int i = 0; i < s.n; ++i) out[static_cast<std::size_t>(i)] = f(i, s.Time(i));
    };

    switch (static_cast<QNSOUNDLOOK>(e.Look)) {
    case QNSOUNDLOOK::HUM: {
        float f = s.Tune(f0), wob = s.Tune(2.0f);
        std::vector<float> nz = s.Noise(400.0f);
        each([&](int i, float t) {
            float tone = 0.5f * std::sin(kTwoPi * f * t) + 0.25f * std::sin(kTwoPi * 2 * f * t) +
                         0.12f * std::sin(kTwoPi * 3 * f * t);
            float trem = 0.85f + 0.15f * std::sin(kTwoPi * wob * t);
            return (tone * trem + 0.15f * nz[static_cast<std::size_t>(i)]) * 0.8f;
        });
        break;
    }
    case QNSOUNDLOOK::HISS: {
        std::vector<float> nz = s.Noise(f0 * 4.0f);
        float wob = s.Tune(3.0f);
        each([&](int i, float t) { return nz[static_cast<std::size_t>(i)] * (0.6f + 0.1f * std::sin(kTwoPi * wob * t)); });
        break;
    }
    case QNSOUNDLOOK::BREATH: {
        std::vector<float> nz = s.Noise(f0 * 3.0f);
        float rate = s.Tune(0.5f);  // one breath every two seconds
        each([&](int i, float t) {
            float b = std::pow(std::max(0.0f, std::sin(kTwoPi * rate * t)), 2.0f);
            return nz[static_cast<std::size_t>(i)] * (0.05f + 0.5f * b);
        });
        break;
    }
    case QNSOUNDLOOK::SNAP: {
        std::vector<float> nz = s.Noise(6000.0f);
        // Looping weapons repeat their shot at a fixed rate that divides the length.
        int shots = s.loop ? std::max(1, static_cast<int>(std::lround(len / 0.1f))) : 1;
        float period = len / static_cast<float>(shots);
        float shot = std::min(period, 0.25f);
        each([&](int i, float t) {
            float local = std::fmod(t, period);
            if (local > shot) return 0.0f;
            float env = std::exp(-local * 30.0f);
            float tone = std::sin(kTwoPi * f0 * local * (1.0f - local * 2.0f));
            return env * (0.6f * nz[static_cast<std::size_t>(i)] + 0.5f * tone);
        });
        break;
    }
    case QNSOUNDLOOK::BOOM: {
        std::vector<float> low = s.Noise(300.0f), high = s.Noise(3000.0f);
        each([&](int i, float t) {
            float env = Env(t, 0.01f, len);
            env *= env;
            float thump = std::sin(kTwoPi * f0 * t * (1.0f - 0.3f * t / len)) * std::exp(-t * 4.0f);
            return env * (0.7f * low[static_cast<std::size_t>(i)] + 0.25f * high[static_cast<std::size_t>(i)] * std::exp(-t * 8.0f) + 0.5f * thump);
        });
        break;
    }
    case QNSOUNDLOOK::BEEP: {
        if (s.loop) {
            // Beacon: a pip twice a second.
            float f = s.Tune(f0);
            int pips = std::max(1, static_cast<int>(std::lround(len * 2.0f)));
            float period = len / static_cast<float>(pips);
            each([&](int, float t) {
                float local = std::fmod(t, period);
                float env = local < 0.08f ? std::sin(3.14159265f * local / 0.08f) : 0.0f;
                return 0.6f * env * std::sin(kTwoPi * f * t);
            });
        } else {
            // Members rise or fall in pitch: member 0 up, member 1 down (power back, power lost).
            float dir = member % 2 == 0 ? 1.0f : -1.0f;
            each([&](int, float t) {
                float f = e.Pitch * (1.0f + dir * 0.5f * t / len);
                return 0.6f * Env(t, 0.01f, len) * std::sin(kTwoPi * f * t);
            });
        }
        break;
    }
    case QNSOUNDLOOK::CLICK: {
        std::vector<float> nz = s.Noise(8000.0f);
        each([&](int i, float t) {
            return std::exp(-t * 60.0f) * (0.5f * nz[static_cast<std::size_t>(i)] + 0.5f * std::sin(kTwoPi * f0 * t));
        });
        break;
    }
    case QNSOUNDLOOK::ALARM: {
        float half = 0.25f;
        each([&](int, float t) {
            float f = static_cast<int>(t / half) % 2 == 0 ? f0 : f0 * 0.75f;
            float sq = std::sin(kTwoPi * f * t) > 0 ? 0.35f : -0.35f;
            return sq * Env(t, 0.01f, len + 0.2f);
        });
        break;
    }
    case QNSOUNDLOOK::MUSIC: {
        // Four chords over the loop, each faded in and out with a raised cosine that wraps, a
        // bass note per chord and an arpeggio; stereo members pan the voices apart.
        const float ratios[4][3] = {{1.0f, 1.25f, 1.5f}, {0.8909f, 1.1225f, 1.3348f}, {0.75f, 0.9439f, 1.1225f}, {0.8409f, 1.0f, 1.2599f}};
        float slot = len / 4.0f;
        float pan = channel == 0 ? 0.8f : 1.2f;
        each([&](int, float t) {
            float v = 0.0f;
            for (int c = 0; c < 4; ++c) {
                float centre = (static_cast<float>(c) + 0.5f) * slot;
                float d = std::fabs(t - centre);
                d = std::min(d, len - d);
                float w = d < slot ? 0.5f + 0.5f * std::cos(3.14159265f * d / slot) : 0.0f;
                if (w <= 0.0f) continue;
                for (int k = 0; k < 3; ++k) {
                    float f = s.Tune(2.0f * f0 * ratios[c][k]);
                    v += w * 0.12f * std::sin(kTwoPi * f * t) * (k == 1 ? pan : 2.0f - pan);
                }
                v += w * 0.2f * std::sin(kTwoPi * s.Tune(f0 * ratios[c][0] * 0.5f) * t);
                // Arpeggio: eight notes per chord, each fully inside its slot.
                float step = slot / 8.0f;
                float local = std::fmod(t, step);
                int note = static_cast<int>(t / step) % 3;
                if (static_cast<int>(t / slot) == c) {
                    float fa = s.Tune(4.0f * f0 * ratios[c][note]);
                    v += 0.1f * std::sin(kTwoPi * fa * t) * std::sin(3.14159265f * local / step) * (note == 0 ? pan : 2.0f - pan);
                }
            }
            return v;
        });
        break;
    }
    case QNSOUNDLOOK::CHATTER: {
        std::vector<float> nz = s.Noise(2500.0f);
        float rate = 5.0f + static_cast<float>(member % 5);
        std::uint32_t pattern = seed * 2654435761U;
        each([&](int i, float t) {
            int syl = static_cast<int>(t * rate);
            bool on = ((pattern >> (syl % 31)) & 1u) != 0 || syl % 4 == 0;
            float local = t * rate - static_cast<float>(syl);
            float env = on ? std::sin(3.14159265f * local) : 0.0f;
            // A buzzy voiced tone with a wandering pitch, over a little radio static.
            float ph = kTwoPi * (f0 + 40.0f * std::sin(kTwoPi * 3.0f * t)) * t;
            float voice = std::sin(ph) + 0.5f * std::sin(2 * ph) + 0.3f * std::sin(3 * ph);
            float crackle = 0.1f * nz[static_cast<std::size_t>(i)];
            return Env(t, 0.02f, len + 0.3f) * (env * 0.5f * voice + crackle);
        });
        break;
    }
    case QNSOUNDLOOK::THUD: {
        std::vector<float> nz = s.Noise(600.0f);
        each([&](int i, float t) {
            float env = std::exp(-t * 14.0f);
            return env * (0.7f * std::sin(kTwoPi * f0 * t) + 0.4f * nz[static_cast<std::size_t>(i)]);
        });
        break;
    }
    case QNSOUNDLOOK::WHOOSH: {
        std::vector<float> nz = s.Noise(1500.0f);
        each([&](int i, float t) {
            float x = t / len;
            float env = std::sin(3.14159265f * std::min(1.0f, x)) * (0.3f + 0.7f * x);
            float f = f0 * (1.0f + 3.0f * x * x);
            return env * (0.5f * nz[static_cast<std::size_t>(i)] + 0.35f * std::sin(kTwoPi * f * t));
        });
        break;
    }
    case QNSOUNDLOOK::ZAP: {
        float f = s.Tune(f0), buzz = s.Tune(30.0f);
        std::vector<float> nz = s.Noise(5000.0f);
        each([&](int i, float t) {
            float saw = 2.0f * (f * t - std::floor(f * t + 0.5f));
            float am = 0.6f + 0.4f * std::sin(kTwoPi * buzz * t);
            float env = s.loop ? 1.0f : Env(t, 0.02f, len);
            return env * am * (0.4f * saw + 0.2f * nz[static_cast<std::size_t>(i)]);
        });
        break;
    }
    case QNSOUNDLOOK::SERVO: {
        std::vector<float> nz = s.Noise(800.0f);
        float f = s.Tune(f0);
        each([&](int i, float t) {
            float whirr = 0.35f * std::sin(kTwoPi * f * t) + 0.15f * std::sin(kTwoPi * 2.0f * f * t);
            float body = s.loop ? 0.8f : Env(t, 0.05f, len * 0.8f);
            float clunk = s.loop ? 0.0f : std::exp(-std::max(0.0f, t - len * 0.8f) * 30.0f) * (t > len * 0.8f ? 1.0f : 0.0f);
            return body * (whirr + 0.2f * nz[static_cast<std::size_t>(i)]) + 0.6f * clunk * nz[static_cast<std::size_t>(i)];
        });
        break;
    }
    case QNSOUNDLOOK::WELD: {
        std::vector<float> nz = s.Noise(9000.0f);
        each([&](int i, float t) {
            float crack = std::fabs(nz[static_cast<std::size_t>(i)]) > 0.7f ? 1.0f : 0.3f;
            return Env(t, 0.02f, len) * crack * nz[static_cast<std::size_t>(i)] * 0.7f;
        });
        break;
    }
    }
    return out;
}

}  // namespace

Bytes MakeSound(const QNMEDIAENTRY& entry, int member) {
    int channels = entry.Channels == 2 ? 2 : 1;
    std::uint32_t seed = MemberSeed(entry, member);
    std::vector<std::vector<float>> ch;
    for (int c = 0; c < channels; ++c) ch.push_back(Render(entry, member, seed, c));
    float peak = 1e-6f;
    for (auto& v : ch)
        for (float x : v) peak = std::max(peak, std::fabs(x));
    float gain = 0.7f / peak;
    std::vector<std::int16_t> pcm;
    pcm.reserve(ch[0].size() * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < ch[0].size(); ++i)
        for (int c = 0; c < channels; ++c)
            pcm.push_back(static_cast<std::int16_t>(std::lround(std::clamp(ch[static_cast<std::size_t>(c)][i] * gain, -1.0f, 1.0f) * 32767.0f)));
    return WriteWav(pcm, channels, kRate);
}
