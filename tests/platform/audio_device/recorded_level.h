#pragma once
// Reads a recording of the platform's recording device: which plays of a sound are logged, and
// at what level one of them is heard in the mixed output.
//
// The level of a play is a least-squares fit of the mix against the sound's own samples, laid
// where the play put them (from its logged frame, repeated while it loops): per output channel
// g = sum(mix * ref) / sum(ref * ref), and the level is sqrt((gL^2 + gR^2) / 2) relative to what
// the same play gives unpositioned at full volume (kCentreGain). Other sounds in the mix are
// near orthogonal to the reference (other tones, other noise), so they add little to the fit;
// the fit wants the recording rate to be the sound's own (no resampling) and no Doppler shift.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio_device.h"

namespace recorded {

/// The level a mono sound played unpositioned at full volume gives on each stereo channel: OpenAL
/// Soft's stereo panning puts a centred mono source 4.5 dB down on both sides.
inline constexpr double kCentreGain = 0.5956;

/// The stereo mix rendered so far (interleaved), at `Rate` frames per second.
struct RECORDING {
    std::vector<float> Mix;
    int Rate = 22050;

    std::uint64_t Frames() const { return Mix.size() / 2; }
    std::uint64_t FrameAt(double seconds) const { return std::uint64_t(std::max(0.0, seconds) * Rate); }
    /// Renders `frames` more frames.
    void Render(std::size_t frames) { PlatformAudio::Render(frames, &Mix); }
};

/// The plays of `segment` logged from output frame `from` to `to`.
inline std::vector<PlatformAudioEvent> Plays(const std::shared_ptr<PlatformSegment>& segment, std::uint64_t from = 0,
                                             std::uint64_t to = UINT64_MAX)
{
    std::vector<PlatformAudioEvent> out;
    if (!segment)
        return out;
    for (const PlatformAudioEvent& e : PlatformAudio::Events())
        if (!e.stop && e.segment == segment && e.frame >= from && e.frame < to)
            out.push_back(e);
    return out;
}

/// The frame at which the path of `play` next stops or plays again, or UINT64_MAX.
inline std::uint64_t EndedAt(const PlatformAudioEvent& play)
{
    bool seen = false;
    for (const PlatformAudioEvent& e : PlatformAudio::Events()) {
        if (e.path != play.path)
            continue;
        if (seen)
            return e.frame;
        seen = !e.stop && e.frame == play.frame && e.segment == play.segment;
    }
    return UINT64_MAX;
}

/// Level (1.0 = unpositioned at full volume) at which `play` is heard in output frames
/// [from, to), as if it played on unstopped: a cut play shows as silence where it was cut.
inline double Level(const RECORDING& rec, const PlatformAudioEvent& play, std::uint64_t from, std::uint64_t to)
{
    const PlatformSegment* s = play.segment.get();
    if (!s || s->Frames() == 0)
        return 0.0;
    to = std::min(to, rec.Frames());
    const std::uint64_t len = s->Frames();
    const std::uint64_t plays = play.looping ? UINT64_MAX : std::uint64_t(play.repeats) + 1;
    const bool stereo = s->Channels() == 2 && play.kind != kAudioPath3D;
    double best = 0.0;
    // The mixer may start a play a few frames into the block after the call.
    for (std::uint64_t lag = 0; lag <= 8; ++lag) {
        const std::uint64_t start = play.frame + lag;
        double cross[2] = {0, 0}, self[2] = {0, 0};
        for (std::uint64_t n = std::max(from, start); n < to; ++n) {
            const std::uint64_t k = n - start;
            if (k / len >= plays)
                break;
            for (int c = 0; c < 2; ++c) {
                const double r = stereo ? s->Sample(k % len, c)
                                        : s->Channels() == 2 ? 0.5 * (s->Sample(k % len, 0) + s->Sample(k % len, 1))
                                                             : s->Sample(k % len, 0);
                cross[c] += rec.Mix[2 * n + c] * r;
                self[c] += r * r;
            }
        }
        if (self[0] <= 0.0 || self[1] <= 0.0)
            continue;
        const double g[2] = {cross[0] / self[0], cross[1] / self[1]};
        const double level = std::sqrt((g[0] * g[0] + g[1] * g[1]) * 0.5) / (stereo ? 1.0 : kCentreGain);
        best = std::max(best, level);
    }
    return best;
}

/// The level in decibels (-200 for silence).
inline double Decibels(double level)
{
    return level > 1e-10 ? 20.0 * std::log10(level) : -200.0;
}

}  // namespace recorded
