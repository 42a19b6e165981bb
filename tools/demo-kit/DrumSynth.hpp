// Synthesis of the demo kit's eight drum sounds from sine sweeps, square-wave clusters,
// filtered noise and envelopes. Every sound is deterministic (fixed noise seeds), so the
// committed WAV files can be re-created bit for bit.
#pragma once

#include <string>
#include <vector>

namespace quovent::demokit {

struct Sound {
    std::string name;         // file name without extension
    int sampleRate = 44100;   // Hz
    int bits = 16;            // 16 or 24
    std::vector<float> left;  // -1..1
    std::vector<float> right; // empty for a mono sound
    bool stereo() const { return !right.empty(); }
};

class DrumSynth {
public:
    // All eight sounds in slot order: kick, snare, closed hat, open hat, clap, tom, rim,
    // cowbell; faded in and out and normalised to the target peak.
    static std::vector<Sound> kit();

    static constexpr float kPeakDb = -3.0f;

private:
    static Sound kick();
    static Sound snare();
    static Sound hat(const char* name, double seconds, double decay, int bits);
    static Sound clap();
    static Sound tom();
    static Sound rim();
    static Sound cowbell();
    // Short raised-cosine fades at both ends (no click where the file starts or stops)
    // and scaling of the louder channel's peak to kPeakDb.
    static void finish(Sound& sound, double fadeInSeconds, double fadeOutSeconds);
};

} // namespace quovent::demokit
