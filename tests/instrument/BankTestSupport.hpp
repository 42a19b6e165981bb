// Shared pieces of the bank file tests: an instrument of its own, a scratch directory, a
// model filled with varied values, and a field-by-field model comparison.
#pragma once

#include "instrument/BankFile.hpp"
#include "instrument/Instrument.hpp"
#include "platform/Paths.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

namespace quovent::test {

namespace fs = std::filesystem;

// A path spelt with this system's own separators, as its file dialogs hand them over (tests
// write "kit/snare.wav" for brevity; Windows would keep that '/' inside the text).
inline std::string native(const fs::path& path) {
    return fs::path(path).make_preferred().string();
}

// An absolute path outside every scratch directory: "/abs/clap.wav" on Linux,
// "C:\abs\clap.wav" on Windows.
inline fs::path elsewhere(const std::string& relative) {
    return (fs::path(paths::kDefaultRoot) / relative).make_preferred();
}

// An instrument on the heap (its model is large), as a format adapter owns one.
struct InstrumentUnderTest {
    std::unique_ptr<Instrument> instrument = std::make_unique<Instrument>();
    Instrument& operator*() { return *instrument; }
    Instrument* operator->() { return instrument.get(); }
};

class ScratchDir {
public:
    const fs::path& path() const { return dir_.path(); }
    fs::path operator/(const std::string& name) const { return dir_.path() / name; }

private:
    ScratchDirectory dir_{"quovent-bank"};
};

// Every field a bank holds gets a value that differs from its default, including the
// ends of each range.
inline void randomizeModel(Instrument& instrument, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto value = [&](int i) { return i % 7 == 0 ? 0.0f : i % 11 == 0 ? 1.0f : unit(rng); };
    Sequencer& seq = instrument.sequencer();
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        Slot& slot = seq.slots().slot(s);
        slot.volume = value(s + 1);
        slot.length = value(s + 2);
        slot.tune = value(s + 3);
        slot.freq = value(s + 4);
        slot.res = value(s + 5);
        slot.pan = value(s + 6);
        slot.filterMode = static_cast<int>(rng() % 4);
        slot.setOutputPair(1 + static_cast<int>(rng() % 6));
        slot.active = static_cast<int>(rng() % 2);
        slot.sync = static_cast<int>(rng() % 2);
    }
    for (int p = 0; p < capacity::kPatterns; ++p) {
        for (int s = 0; s < capacity::kRowSlots; ++s) {
            PatternRow& row = seq.patterns().row(p, s);
            for (int i = 0; i < capacity::kSteps; ++i) {
                row.setStep(i, rng() % 3 == 0);
                for (int k = 0; k < capacity::kLanes; ++k) {
                    row.setLane(k, i, value(p + s + i + k));
                }
            }
        }
    }
    seq.shuffleAmount = unit(rng);
    instrument.stepEditMode = 0.75f;
    seq.patterns().selectBank(1);
    seq.patterns().selectKey(static_cast<int>(rng() % 12));
}

inline void expectSameModel(Instrument& a, Instrument& b) {
    Sequencer& x = a.sequencer();
    Sequencer& y = b.sequencer();
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        SCOPED_TRACE("slot " + std::to_string(s));
        const Slot& p = x.slots().slot(s);
        const Slot& q = y.slots().slot(s);
        EXPECT_EQ(p.samplePath(), q.samplePath());
        EXPECT_EQ(p.volume, q.volume);
        EXPECT_EQ(p.length, q.length);
        EXPECT_EQ(p.tune, q.tune);
        EXPECT_EQ(p.freq, q.freq);
        EXPECT_EQ(p.res, q.res);
        EXPECT_EQ(p.pan, q.pan);
        EXPECT_EQ(p.filterMode, q.filterMode);
        EXPECT_EQ(p.outputPair, q.outputPair);
        EXPECT_EQ(p.active, q.active);
        EXPECT_EQ(p.sync, q.sync);
    }
    int differingRows = 0;
    for (int p = 0; p < capacity::kPatterns; ++p) {
        for (int s = 0; s < capacity::kRowSlots; ++s) {
            const PatternRow& r = x.patterns().row(p, s);
            const PatternRow& t = y.patterns().row(p, s);
            bool same = true;
            for (int i = 0; i < capacity::kSteps; ++i) {
                same = same && r.stepOn(i) == t.stepOn(i);
                for (int k = 0; k < capacity::kLanes; ++k) {
                    same = same && r.lane(k, i) == t.lane(k, i);
                }
            }
            differingRows += same ? 0 : 1;
            EXPECT_TRUE(same) << "pattern " << p << " row " << s;
        }
    }
    EXPECT_EQ(differingRows, 0);
    EXPECT_EQ(x.shuffleAmount, y.shuffleAmount);
    EXPECT_EQ(a.stepEditMode.load(), b.stepEditMode.load());
    EXPECT_EQ(x.patterns().bank(), y.patterns().bank());
    EXPECT_EQ(x.patterns().key(), y.patterns().key());
}

} // namespace quovent::test
