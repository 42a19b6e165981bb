// libFuzzer target: the input is a script of host calls on a rendering instrument that holds
// the demo groove, on the generated kit or on the demo bank's own samples: MIDI events at
// any frame offset (also outside the block), blocks of 1..4096 frames, hostile parameter
// values, sample rate and tempo changes, the Play button. Every output sample must be finite
// and at most +24 dBFS for each voice the pool can hold.
#include "tests/fuzz/FuzzKit.hpp"

#include "instrument/Instrument.hpp"
#include "instrument/ParameterTable.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace quovent;

namespace {

constexpr int kMaxBlock = 4096;
// Frames one input may render: enough for several bars at 44.1 kHz, within the time limit.
constexpr long kMaxFramesPerInput = 1L << 18;
// Each voice stays within +24 dBFS (its filter restarts from silence beyond that), and up to
// the pool's capacity of them may sound into one output.
constexpr float kMaxLevel = 15.85f * capacity::kVoices;

const std::array<std::string, 2>& grooves() {
    static const std::array<std::string, 2>* g = [] {
        fuzz::writeKit();
        auto* made = new std::array<std::string, 2>{fuzz::demoGroove(fuzz::kKitDirectory),
                                                    fuzz::demoGroove(fuzz::demoDirectory())};
        for (const std::string& text : *made) {
            Instrument probe;
            const BankImportResult r = probe.restoreState(text);
            if (!r.ok || !r.missingSamples.empty()) {
                fuzz::fail("a seed groove is refused or misses samples");
            }
        }
        return made;
    }();
    return *g;
}

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::uint32_t dword() { return static_cast<std::uint32_t>(word() | (word() << 16)); }
    // A float that hosts should not send but may: specials, huge, tiny, negative, or raw bits.
    float hostile() {
        static constexpr std::array<float, 14> kValues = {std::numeric_limits<float>::quiet_NaN(),
                                                          std::numeric_limits<float>::infinity(),
                                                          -std::numeric_limits<float>::infinity(),
                                                          std::numeric_limits<float>::max(),
                                                          -std::numeric_limits<float>::max(),
                                                          std::numeric_limits<float>::denorm_min(),
                                                          std::numeric_limits<float>::min(),
                                                          -0.0f,
                                                          0.0f,
                                                          1.0f,
                                                          0.5f,
                                                          1.0e-7f,
                                                          0.9999999f,
                                                          1.0e9f};
        const std::uint8_t pick = byte();
        if (pick < 64) {
            return kValues[pick % kValues.size()];
        }
        if (pick < 160) {
            return static_cast<float>(byte()) / 255.0f; // the normal range, finely
        }
        const std::uint32_t bits = dword();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Outputs {
    std::vector<float> storage = std::vector<float>(std::size_t{Instrument::kOutputs} * kMaxBlock);
    std::array<float*, Instrument::kOutputs> channels{};
    Outputs() {
        for (int c = 0; c < Instrument::kOutputs; ++c) {
            channels[static_cast<std::size_t>(c)] = storage.data() + std::size_t{kMaxBlock} * c;
        }
    }
};

void renderChecked(Instrument& instrument, Outputs& out, int frames) {
    std::fill(out.storage.begin(), out.storage.end(), 0.0f);
    instrument.render(out.channels.data(), frames);
    for (int c = 0; c < Instrument::kOutputs; ++c) {
        const float* channel = out.channels[static_cast<std::size_t>(c)];
        for (int i = 0; i < frames; ++i) {
            if (!std::isfinite(channel[i]) || std::fabs(channel[i]) > kMaxLevel) {
                std::fprintf(stderr, "output %d, frame %d of %d: %g\n", c, i, frames,
                             static_cast<double>(channel[i]));
                fuzz::fail(std::isfinite(channel[i])
                               ? "an output sample is above +24 dBFS for every voice"
                               : "an output sample is not finite");
            }
        }
        for (int i = frames; i < kMaxBlock; ++i) {
            if (channel[i] != 0.0f) {
                fuzz::fail("render wrote past the block");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    grooves();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Outputs* out = new Outputs();
    Script script(data, size);
    const auto instrument = std::make_unique<Instrument>();
    const std::uint8_t setup = script.byte();
    fuzz::require(instrument->restoreState(grooves()[setup & 1]).ok, "a seed groove is refused");
    if ((setup & 2) != 0) {
        instrument->setPlaying(true);
    }
    int block = 512;
    long rendered = 0;
    const auto& parameters = ParameterTable::all();
    while (!script.done() && rendered < kMaxFramesPerInput) {
        switch (script.byte() % 9) {
        case 0:
        case 1: { // a MIDI event, mostly within the block
            const std::uint8_t where = script.byte();
            int offset = where < 200 ? static_cast<int>(where) * block / 200
                                     : static_cast<int>(static_cast<std::int32_t>(script.dword()));
            const std::uint8_t status = script.byte();
            const std::uint8_t d1 = script.byte();
            const std::uint8_t d2 = script.byte();
            instrument->midiEvent(offset, status, d1, d2);
            break;
        }
        case 2:
        case 3: { // render a block
            const int frames = 1 + script.word() % kMaxBlock;
            renderChecked(*instrument, *out, frames);
            rendered += frames;
            block = frames;
            break;
        }
        case 4: { // a parameter, known or not, any value
            const std::uint8_t pick = script.byte();
            const ParameterId id = pick < 230 ? parameters[pick % parameters.size()].id
                                              : static_cast<ParameterId>(script.dword());
            instrument->setParameter(id, script.hostile());
            break;
        }
        case 5:
            instrument->setSampleRate(
                (script.byte() & 1) != 0 ? script.hostile() : 8000.0f * (1 + script.byte() % 24));
            break;
        case 6:
            instrument->adoptSampleRate(script.hostile());
            break;
        case 7:
            instrument->setTempo((script.byte() & 1) != 0
                                     ? script.hostile()
                                     : static_cast<float>(script.byte()) * 2.0f);
            break;
        case 8: {
            const std::uint8_t what = script.byte();
            if (what < 128) {
                instrument->selectPattern(what & 1, (what >> 1) % 12);
            } else {
                instrument->setPlaying((what & 1) != 0);
            }
            break;
        }
        }
    }
    // Let what was started ring on for a while.
    renderChecked(*instrument, *out, kMaxBlock);
    return 0;
}
