// What every plug-in format promises, checked once for all of them through their drivers:
// - the twelve outputs are the instrument's own, sample for sample, for the same groove, notes
//   and automation at odd frames, tempo and block size (1 to 4096 frames), under the format's
//   rule for note-offs; where note-offs act at their frame the sound is the same whatever
//   the block size;
// - a saved state comes back whole and plays the same in a fresh instance;
// - hostile states are refused with the instance exactly as it was;
// - hostile parameter values are clamped into range or ignored;
// - process allocates nothing and takes no lock, also while another thread replaces the state
//   where the format lets hosts do that (on Linux, where the allocation counter stands in
//   for the C and C++ libraries' functions).
#include "instrument/Instrument.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/conformance/FormatDriver.hpp"
#if !defined(_WIN32)
#include "tests/support/AllocationCounter.hpp"
#endif
#include "tests/support/DemoGroove.hpp"
#include "tests/support/GrooveTexts.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <thread>

namespace quovent::test {
namespace {

constexpr double kRate = 44100.0;
constexpr int kMaxBlock = 4096;
constexpr int kOutputs = Instrument::kOutputs;
constexpr long kFrames = 52000; // about 1.2 seconds

using Render = std::vector<std::vector<float>>; // by output
using F = SlotField;

std::string demoGroove() {
    return absoluteDemoGroove(QUOVENT_DEMO_DIR);
}

struct TimedEvent {
    long frame; // from the start of the score
    InstrumentEvent event;
};

InstrumentEvent midi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return InstrumentEvent::midiMessage(0, status, data1, data2);
}
InstrumentEvent change(int slot, F field, float value) {
    const ParameterId id =
        slot < 0 ? ParameterTable::kShuffle : ParameterTable::slotParameter(slot, field);
    return InstrumentEvent::parameterChange(0, id, value);
}

// Two patterns on channel 15 overlapping, drums on channel 10 (two at one frame), chromatic
// notes on channels 1, 3 and 8 with note-offs (one a note-on of velocity 0), all at odd
// frames; with automation, volume, pan, filter, solo and shuffle changes between them.
std::vector<TimedEvent> score(bool automation) {
    std::vector<TimedEvent> s = {
        {0, midi(0x9E, 61, 127)},     {777, midi(0x99, 60, 100)},   {3001, midi(0x90, 60, 110)},
        {5123, midi(0x97, 55, 80)},   {9999, midi(0x80, 60, 0)},    {10007, midi(0x87, 55, 64)},
        {13331, midi(0x92, 72, 127)}, {20001, midi(0x92, 72, 0)},   {25013, midi(0x99, 64, 127)},
        {25013, midi(0x99, 66, 60)},  {30011, midi(0x9E, 63, 100)}, {41111, midi(0x8E, 61, 0)},
        {47777, midi(0x8E, 63, 0)},   {48001, midi(0x99, 61, 90)},
    };
    if (automation) {
        const std::vector<TimedEvent> changes = {
            {15015, change(0, F::Volume, 0.3f)}, {15016, change(0, F::Volume, 0.9f)},
            {22223, change(1, F::Pan, 0.1f)},    {33333, change(-1, F::Volume, 0.4f)},
            {35001, change(0, F::Filter, 1.0f)}, {36001, change(1, F::Solo, 1.0f)},
            {44445, change(1, F::Solo, 0.0f)},   {45003, change(0, F::Mute, 1.0f)},
        };
        s.insert(s.end(), changes.begin(), changes.end());
    }
    std::stable_sort(s.begin(), s.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; });
    return s;
}

// The score cut into host blocks; the tempo changes from 133 to 97 BPM halfway.
std::vector<DriverBlock> blocksOf(const std::vector<TimedEvent>& events, int size) {
    std::vector<DriverBlock> blocks;
    std::size_t next = 0;
    for (long start = 0; start < kFrames; start += size) {
        DriverBlock block;
        block.frames = static_cast<int>(std::min<long>(size, kFrames - start));
        block.tempo = start < kFrames / 2 ? 133.0 : 97.0;
        for (; next < events.size() && events[next].frame < start + block.frames; ++next) {
            InstrumentEvent e = events[next].event;
            e.frame = static_cast<std::int32_t>(events[next].frame - start);
            block.events.push_back(e);
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

void append(Render& out, const float* const* channels, int frames) {
    out.resize(kOutputs);
    for (int c = 0; c < kOutputs; ++c) {
        out[static_cast<std::size_t>(c)].insert(out[static_cast<std::size_t>(c)].end(), channels[c],
                                                channels[c] + frames);
    }
}

// What the instrument itself renders for the blocks, under a format's note-off rule.
Render reference(const std::string& groove, const std::vector<DriverBlock>& blocks,
                 ProcessBlock::NoteOffs noteOffs) {
    Instrument instrument;
    instrument.setSampleRate(kRate);
    EXPECT_TRUE(instrument.restoreState(groove).ok);
    std::vector<float> samples(static_cast<std::size_t>(kOutputs) * kMaxBlock);
    std::array<float*, kOutputs> channels{};
    for (int c = 0; c < kOutputs; ++c) {
        channels[static_cast<std::size_t>(c)] =
            samples.data() + static_cast<std::ptrdiff_t>(c) * kMaxBlock;
    }
    Render out;
    for (const DriverBlock& b : blocks) {
        ProcessBlock block;
        block.outputs = channels.data();
        block.outputCount = kOutputs;
        block.frames = b.frames;
        block.events = b.events;
        block.tempo = b.tempo;
        block.noteOffs = noteOffs;
        instrument.process(block);
        append(out, channels.data(), b.frames);
    }
    return out;
}

Render play(FormatDriver& driver, const std::vector<DriverBlock>& blocks) {
    Render out;
    for (const DriverBlock& b : blocks) {
        driver.prepare(b);
        driver.run();
        std::array<const float*, kOutputs> channels{};
        for (int c = 0; c < kOutputs; ++c) {
            channels[static_cast<std::size_t>(c)] = driver.output(c);
        }
        append(out, channels.data(), b.frames);
    }
    return out;
}

// Where two renderings first differ: "" when they are the same.
std::string difference(const Render& got, const Render& expected) {
    for (std::size_t c = 0; c < expected.size(); ++c) {
        const auto [a, b] = std::mismatch(got[c].begin(), got[c].end(), expected[c].begin());
        if (a != got[c].end() || got[c].size() != expected[c].size()) {
            const auto at = a - got[c].begin();
            return "output " + std::to_string(c) + " frame " + std::to_string(at) + ": " +
                   (a != got[c].end() ? std::to_string(*a) + " instead of " + std::to_string(*b)
                                      : "too short");
        }
    }
    return {};
}

// The frames before the tempo changes.
Render firstHalf(const Render& render) {
    Render half;
    for (const std::vector<float>& channel : render) {
        half.emplace_back(channel.begin(), channel.begin() + kFrames / 2);
    }
    return half;
}

float peak(const std::vector<float>& samples) {
    float p = 0.0f;
    for (const float s : samples) {
        p = std::max(p, std::fabs(s));
    }
    return p;
}

class Conformance : public ::testing::TestWithParam<NamedDriver> {
protected:
    std::unique_ptr<FormatDriver> make(int maxBlock = kMaxBlock) const {
        return GetParam().make(kRate, maxBlock);
    }
    // A fresh instance playing the groove.
    std::unique_ptr<FormatDriver> playing(const std::string& groove) const {
        std::unique_ptr<FormatDriver> d = make();
        EXPECT_TRUE(d->restoreState(groove));
        return d;
    }
};

TEST_P(Conformance, TwelveOutputsAreTheInstrumentsAtEveryBlockSize) {
    const std::string groove = demoGroove();
    const auto probe = make();
    const std::vector<TimedEvent> events = score(probe->hasParameters());
    const bool atFrame = probe->noteOffs() == ProcessBlock::NoteOffs::AtFrame;
    const Render whole = reference(groove, blocksOf(events, 1), probe->noteOffs());
    EXPECT_GT(peak(whole[0]), 0.05f);
    EXPECT_GT(peak(whole[2]), 0.05f);
    for (const int size : {1, 7, 64, 333, 4096}) {
        SCOPED_TRACE("block " + std::to_string(size));
        const std::vector<DriverBlock> blocks = blocksOf(events, size);
        const Render expected = reference(groove, blocks, probe->noteOffs());
        EXPECT_EQ(difference(play(*playing(groove), blocks), expected), "");
        if (atFrame) {
            // Every note and change on its frame: the block size makes no difference up to
            // the tempo change, which comes with the block that holds its frame.
            EXPECT_EQ(difference(firstHalf(expected), firstHalf(whole)), "");
        }
    }
}

TEST_P(Conformance, AStateComesBackWholeAndPlaysTheSameInAFreshInstance) {
    const ScratchDirectory dir("quovent-conformance");
    const std::string groove = richState(dir.path());
    const auto first = playing(groove);
    const std::vector<DriverBlock> blocks = blocksOf(score(false), 512);
    play(*first, std::vector<DriverBlock>(blocks.begin(), blocks.begin() + 20));
    const std::optional<std::string> saved = first->saveState(); // while it plays
    ASSERT_TRUE(saved.has_value());
    EXPECT_NE(saved->find(jsonPath(dir.path() / "kit" / "snare.wav")), std::string::npos);

    const auto restored = playing(*saved);
    EXPECT_EQ(restored->saveState(), saved);
    const Render original = play(*playing(groove), blocks);
    EXPECT_GT(peak(original[0]), 0.05f);
    EXPECT_EQ(difference(play(*restored, blocks), original), "");
}

TEST_P(Conformance, HostileStatesAreRefusedWithTheInstanceExactlyAsItWas) {
    const ScratchDirectory dir("quovent-conformance");
    const std::string valid = richState(dir.path());
    const auto plugin = playing(valid);
    const std::optional<std::string> before = plugin->saveState();
    ASSERT_TRUE(before.has_value());
    std::vector<std::pair<std::string, std::string>> hostile =
        refusedTexts(*before, jsonPath(dir.path() / "kit/kick.wav"));
    for (std::size_t cut = 0; cut + 2 < before->size(); cut += before->size() / 23 + 1) {
        hostile.emplace_back("cut at " + std::to_string(cut), before->substr(0, cut));
    }
    std::mt19937 random(12);
    for (int k = 0; k < 10; ++k) {
        std::string noise(1 + random() % 5000, '\0');
        std::generate(noise.begin(), noise.end(), [&] { return static_cast<char>(random()); });
        hostile.emplace_back("noise " + std::to_string(k), noise);
    }
    // As large as a state may be, it is read; one byte more is refused unread.
    std::string padded = *before;
    padded.insert(padded.size() - 1, Instrument::kMaxStateBytes - padded.size(), ' ');
    hostile.emplace_back("one byte too large", padded + " ");

    const std::vector<DriverBlock> blocks = blocksOf(score(false), 512);
    const Render sound = play(*playing(valid), blocks);
    for (const auto& [name, text] : hostile) {
        EXPECT_FALSE(plugin->restoreState(text)) << name;
        EXPECT_EQ(plugin->saveState(), before) << name;
    }
    EXPECT_TRUE(plugin->restoreState(padded)) << "a state of the largest size";
    // A byte changed may land in a number or a blank and still make a valid state: then it
    // must read back as it says, in a fresh instance too.
    for (int k = 0; k < 30; ++k) {
        std::string text = *before;
        text[random() % text.size()] = static_cast<char>(random());
        if (plugin->restoreState(text)) {
            const std::optional<std::string> now = plugin->saveState();
            EXPECT_EQ(playing(*now)->saveState(), now);
        } else {
            EXPECT_EQ(plugin->saveState(), before);
        }
    }
    ASSERT_TRUE(plugin->restoreState(*before));
    EXPECT_EQ(difference(play(*plugin, blocks), sound), "");
}

// The plain value of a parameter as the state keeps it (solo is no part of a state).
double stateValue(const nlohmann::json& doc, const ParameterInfo& info) {
    if (info.id == ParameterTable::kShuffle) {
        return doc.at("shuffleAmount");
    }
    static const std::map<F, const char*> kKeys = {
        {F::Volume, "volume"},     {F::Length, "length"},    {F::Tune, "tune"},
        {F::Freq, "freq"},         {F::Res, "res"},          {F::Pan, "pan"},
        {F::Filter, "filterMode"}, {F::Output, "outputPair"}};
    const nlohmann::json& slot = doc.at("slots").at(static_cast<std::size_t>(info.slot));
    if (info.field == F::Mute) {
        return slot.at("active").get<bool>() ? 0.0 : 1.0;
    }
    return slot.at(kKeys.at(info.field));
}

TEST_P(Conformance, HostileParameterValuesAreClampedIntoRangeOrIgnored) {
    const auto plugin = make();
    if (!plugin->hasParameters()) {
        GTEST_SKIP() << GetParam().name << " declares no parameters";
    }
    // One parameter of each field, on slots 1 to 8 in turn, and Shuffle.
    std::vector<const ParameterInfo*> chosen;
    for (const ParameterInfo& info : ParameterTable::all()) {
        if (info.slot < 0 ||
            (info.slot == static_cast<int>(info.field) % 8 && info.field != F::Solo)) {
            chosen.push_back(&info);
        }
    }
    constexpr double kInf = std::numeric_limits<double>::infinity();
    DriverBlock block;
    block.frames = 64;
    block.events.push_back(InstrumentEvent::midiMessage(0, 0x99, 60, 127));
    for (const double value : {std::nan(""), kInf, -kInf, 1.0e300, -1.0e300, 2.0, -0.5, -0.0,
                               5e-324, 1.0e-40, 0.9999999, std::nan("")}) {
        SCOPED_TRACE("host value " + std::to_string(value));
        const nlohmann::json before = nlohmann::json::parse(*plugin->saveState());
        for (const ParameterInfo* info : chosen) {
            plugin->setHostValue(info->id, value);
        }
        plugin->prepare(block);
        plugin->run();
        const nlohmann::json after = nlohmann::json::parse(*plugin->saveState());
        for (const ParameterInfo* info : chosen) {
            const double kept = stateValue(after, *info);
            EXPECT_GE(kept, info->minimum) << info->nameText();
            EXPECT_LE(kept, info->maximum) << info->nameText();
            if (std::isnan(value)) {
                EXPECT_EQ(kept, stateValue(before, *info))
                    << info->nameText() << ": NaN is no value";
            }
        }
        for (int c = 0; c < kOutputs; ++c) {
            ASSERT_TRUE(std::all_of(plugin->output(c), plugin->output(c) + block.frames,
                                    [](float s) { return std::isfinite(s); }));
        }
    }
}

#if !defined(_WIN32)
TEST_P(Conformance, ProcessNeitherAllocatesNorLocksWhileAStateIsReplaced) {
    const std::string groove = demoGroove();
    const auto plugin = playing(groove);
    const std::vector<DriverBlock> blocks = blocksOf(score(plugin->hasParameters()), 256);
    // Hosts of VST 2, VST 3 and CLAP may restore a state on another thread while audio runs.
    std::atomic<bool> done{false};
    std::thread restorer([&] {
        while (!done && plugin->restoresBesideProcess()) {
            plugin->restoreState(groove);
        }
    });
    AllocationCounter::Counts counts;
    for (const DriverBlock& b : blocks) {
        plugin->prepare(b);
        const AllocationCounter::Counts block = AllocationCounter::during([&] { plugin->run(); });
        counts.allocations += block.allocations;
        counts.frees += block.frees;
        counts.locks += block.locks;
    }
    done = true;
    restorer.join();
    EXPECT_EQ(counts, AllocationCounter::Counts{});
}
#endif

INSTANTIATE_TEST_SUITE_P(Formats, Conformance, ::testing::ValuesIn(formatDrivers()),
                         [](const ::testing::TestParamInfo<NamedDriver>& info) {
                             return info.param.name;
                         });

} // namespace
} // namespace quovent::test
