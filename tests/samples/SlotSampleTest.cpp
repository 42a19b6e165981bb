// A slot's sample operations: what the slot plays and shows after setting a path, a missing
// file, the placeholder, and a reset.
#include "engine/Slot.hpp"
#include "tests/samples/RiffBuilder.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quovent;
using namespace quovent::test;

namespace {

class FakeNameView : public SampleNameView {
public:
    void showSampleText(const char* text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

constexpr double kSamplesPerStep = 5512.5; // 120 BPM at 44.1 kHz

struct SlotWithView {
    SlotWithView() { slot->setNameView(&view); }
    std::unique_ptr<Slot> slot = std::make_unique<Slot>(3);
    FakeNameView view;
};

} // namespace

TEST(SlotSample, AMissingFileKeepsTheOldSoundButShowsTheNewName) {
    TempDir dir;
    SlotWithView s;
    const std::string kick = dir.write(
        "kick.wav", RiffBuilder().fmt(fmtData(1, 1, 44100, 16)).data(pcm16({16384, 1, 2})));
    s.slot->setSamplePath(kick, kSamplesPerStep);
    ASSERT_EQ(s.slot->sample.frameCount(), 3);
    ASSERT_EQ(s.view.shown.back(), "        00 : kick.wav");

    s.slot->fileIndex = 12;
    const std::string missing = dir.path("snare.wav");
    s.slot->setSamplePath(missing, kSamplesPerStep);
    EXPECT_EQ(s.slot->samplePath(), missing);
    EXPECT_EQ(s.view.shown.back(), "        12 : snare.wav");
    EXPECT_EQ(s.slot->sample.frameCount(), 3);
    EXPECT_FLOAT_EQ(s.slot->sample.left(0), 0.575f);
    EXPECT_EQ(s.slot->sample.sampleRate(), 44100u);
}

TEST(SlotSample, ThePlaceholderSilencesAndAResetForgetsTheSample) {
    TempDir dir;
    SlotWithView s;
    s.slot->setSamplePath(
        dir.write("a.wav", RiffBuilder().fmt(fmtData(1, 2, 44100, 16)).data(pcm16({9000, -9000}))),
        kSamplesPerStep);
    ASSERT_NE(s.slot->sample.left(0), 0.0f);

    s.slot->setSamplePath(Slot::kPlaceholderPath, kSamplesPerStep);
    EXPECT_EQ(s.slot->sample.left(0), 0.0f);
    EXPECT_EQ(s.slot->sample.right(0), 0.0f);
    EXPECT_EQ(s.slot->sample.frameCount(), 1); // a cleared slot plays its frames silently
    EXPECT_EQ(s.view.shown.back(), "        Set some dir with wav's..");

    s.slot->setSamplePath(
        dir.write("b.wav", RiffBuilder().fmt(fmtData(1, 1, 44100, 16)).data(pcm16({9000}))),
        kSamplesPerStep);
    s.slot->heldNotes = 2;
    s.slot->outputPair = 4;
    s.slot->fileIndex = 5;
    s.view.shown.clear();
    s.slot->resetSample();
    EXPECT_EQ(s.slot->sample.left(0), 0.0f);
    EXPECT_EQ(s.slot->sample.frameCount(), 1);
    EXPECT_EQ(s.slot->heldNotes, 0);
    EXPECT_EQ(s.slot->outputPair, 1);
    EXPECT_EQ(s.slot->fileIndex, 0);
    EXPECT_TRUE(Slot::isPlaceholder(s.slot->samplePath()));
    EXPECT_EQ(s.view.shown, std::vector<std::string>{"        Set some dir with wav's.."});
}

TEST(SlotSample, ALoadInSyncModeStretchesTheNewSampleOverItsSteps) {
    TempDir dir;
    SlotWithView s;
    s.slot->setSync(true, kSamplesPerStep);
    // tune 0.5: 16 steps; 44100 frames over 16 x 5512.5 samples.
    s.slot->setSamplePath(dir.write("long.wav", RiffBuilder()
                                                    .fmt(fmtData(1, 1, 44100, 16))
                                                    .data(pcm16(std::vector<std::int16_t>(44100)))),
                          kSamplesPerStep);
    EXPECT_FLOAT_EQ(s.slot->syncIncrement, 0.5f);
}
