// libFuzzer target: the input is a script of host calls on a rendering instrument that holds
// the demo groove, on the generated kit or on the demo bank's own samples: MIDI events and
// parameter changes at any frame (also outside the block), blocks of 1..4096 frames handed
// over as the formats do (replaced or added into, some outputs left out, note-offs at their
// frame or at the block's start) at any tempo, hostile parameter values, sample rate
// changes, pattern selections and the Play button. Every block passes CheckedOutputs; after
// reset() the instrument is silent; and the script, played twice, sounds the same.
//
// One instrument per groove, kept across inputs: between runs it is reset and the groove's
// settings that a script can change (parameters, rate, selected pattern) are put back.
#include "tests/fuzz/CheckedOutputs.hpp"
#include "tests/fuzz/FuzzKit.hpp"

#include "instrument/Instrument.hpp"
#include "instrument/ParameterTable.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace quovent;

namespace {

constexpr int kMaxBlock = fuzz::CheckedOutputs::kMaxFrames;
// Frames and blocks one run of a script may render (several steps at a fast tempo or a low
// rate; a block costs a voice a few frames' work besides its frames), and the block that lets
// what was started ring on after them: twice per input within a millisecond or so.
constexpr int kMaxFramesPerRun = 768;
constexpr int kMaxBlocksPerRun = 64;
constexpr int kRingOnFrames = 256;
constexpr float kRate = Instrument::kDefaultSampleRate;

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

// An instrument holding one groove, and what a script may change of it.
class Rig {
public:
    explicit Rig(const std::string& groove) {
        const BankImportResult r = instrument.restoreState(groove);
        if (!r.ok || !r.missingSamples.empty()) {
            fuzz::fail("a seed groove is refused or misses samples");
        }
        // A host always gives a rate; from the first on, note-offs use the scale after one.
        instrument.setSampleRate(kRate);
        for (const ParameterInfo& p : ParameterTable::all()) {
            values_.push_back(instrument.parameter(p.id));
        }
        bank_ = instrument.sequencer().patterns().bank();
        key_ = instrument.sequencer().patterns().key();
    }

    // Silence, no held key, the groove's settings as restored and the tempo counted from a
    // block at the default: as before the first run.
    void putBack(fuzz::CheckedOutputs& out) {
        instrument.reset();
        instrument.setSampleRate(kRate);
        const auto& all = ParameterTable::all();
        for (std::size_t i = 0; i < all.size(); ++i) {
            instrument.setParameter(all[i].id, values_[i]);
        }
        instrument.selectPattern(bank_, key_);
        out.process(instrument, 64, {}, 0.0);
        fuzz::require(out.lastBlockSilent(), "sound after reset(), with nothing playing");
    }

    Instrument instrument;

private:
    std::vector<float> values_;
    int bank_ = 0;
    int key_ = 0;
};

std::array<std::unique_ptr<Rig>, 2>& rigs() {
    static auto* made = [] {
        fuzz::writeKit();
        auto* r = new std::array<std::unique_ptr<Rig>, 2>{
            std::make_unique<Rig>(fuzz::demoGroove(fuzz::kKitDirectory)),
            std::make_unique<Rig>(fuzz::demoGroove(fuzz::demoDirectory()))};
        return r;
    }();
    return *made;
}

// Plays the script once; the fingerprint of what it sounded like.
std::uint64_t play(Rig& rig, fuzz::CheckedOutputs& out, const std::uint8_t* data,
                   std::size_t size) {
    static auto* events = [] {
        auto* e = new std::vector<InstrumentEvent>();
        e->reserve(capacity::kBlockEvents);
        return e;
    }();
    Instrument& instrument = rig.instrument;
    rig.putBack(out);
    out.restartFingerprint();
    Script script(data, size);
    if ((script.byte() & 2) != 0) {
        instrument.setPlaying(true);
    }
    events->clear();
    int block = 512;
    double tempo = 0.0;
    int rendered = 0;
    int blocks = 0;
    const auto& parameters = ParameterTable::all();
    const auto add = [&](const InstrumentEvent& e) {
        if (events->size() < capacity::kBlockEvents) {
            events->push_back(e);
        }
    };
    while (!script.done() && rendered < kMaxFramesPerRun && blocks < kMaxBlocksPerRun) {
        switch (script.byte() % 9) {
        case 0:
        case 1: { // a MIDI event, mostly within the block
            const std::uint8_t where = script.byte();
            const int offset = where < 200
                                   ? static_cast<int>(where) * block / 200
                                   : static_cast<int>(static_cast<std::int32_t>(script.dword()));
            const std::uint8_t status = script.byte();
            const std::uint8_t d1 = script.byte();
            const std::uint8_t d2 = script.byte();
            add(InstrumentEvent::midiMessage(offset, status, d1, d2));
            break;
        }
        case 2:
        case 3: { // a block: the low twelve bits its length, the top four how it is handed over
            const std::uint16_t word = script.word();
            const int frames = std::min(1 + word % kMaxBlock, kMaxFramesPerRun - rendered);
            out.process(instrument, frames, *events, tempo, word >> 12);
            events->clear();
            rendered += frames;
            ++blocks;
            block = frames;
            break;
        }
        case 4: { // a parameter, known or not, any value, in the block or from another thread
            const std::uint8_t pick = script.byte();
            const ParameterId id = pick < 230 ? parameters[pick % parameters.size()].id
                                              : static_cast<ParameterId>(script.dword());
            const float value = script.hostile();
            if ((pick & 1) != 0) {
                add(InstrumentEvent::parameterChange(pick * block / 256, id, value));
            } else {
                instrument.setParameter(id, value);
            }
            break;
        }
        case 5:
            instrument.setSampleRate((script.byte() & 1) != 0 ? script.hostile()
                                                              : 8000.0f * (1 + script.byte() % 24));
            break;
        case 6:
            instrument.adoptSampleRate(script.hostile());
            break;
        case 7:
            tempo = (script.byte() & 1) != 0 ? static_cast<double>(script.hostile())
                                             : static_cast<double>(script.byte()) * 2.0;
            break;
        case 8: {
            const std::uint8_t what = script.byte();
            if (what < 128) {
                instrument.selectPattern(what & 1, (what >> 1) % 12);
            } else {
                instrument.setPlaying((what & 1) != 0);
            }
            break;
        }
        }
    }
    // Let what was started ring on for a while.
    out.process(instrument, kRingOnFrames, *events, tempo);
    events->clear();
    return out.fingerprint();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    rigs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* out = new fuzz::CheckedOutputs();
    Rig& rig = *rigs()[size > 0 ? data[0] & 1 : 0];
    const std::uint64_t first = play(rig, *out, data, size);
    if (play(rig, *out, data, size) != first) {
        fuzz::fail("the same script sounded different when played again");
    }
    return 0;
}
