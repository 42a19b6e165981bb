// Bank import with real sample files: samples load relative to the bank and bring their
// directory list, a missing sample silences its slot and is reported, tempo-synchronised
// slots get their rate for the current tempo at once, and the bundled demo bank is whole.
#include "BankTestSupport.hpp"

#include "instrument/BankFile.hpp"
#include "tests/support/TestWav.hpp"

using namespace quovent;
using namespace quovent::test;

namespace {

std::string bankWith(const std::string& slots) {
    return R"({"format": "quovent-bank", "version": 1, "slots": [)" + slots + "]}";
}

} // namespace

TEST(BankSamples, SamplesLoadWithTheirDirectoryList) {
    ScratchDir dir;
    TestWav::constant(1000, 8192).rate(44100).write(dir / "kit/a.wav");
    TestWav::constant(1500, 8192).rate(22050).write(dir / "kit/b.wav");
    writeText(dir / "b.json", bankWith(R"({"samplePath": "kit/b.wav"})"));
    InstrumentUnderTest e;
    const BankImportResult r = BankFile::importBank(*e, dir / "b.json");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.missingSamples.empty());
    const Slot& slot = e->sequencer().slots().slot(0);
    EXPECT_EQ(slot.sample.frameCount(), 1500);
    EXPECT_EQ(slot.sample.sampleRate(), 22050u);
    EXPECT_EQ(slot.directory.fileCount(), 2);
    EXPECT_EQ(slot.fileIndex, 1); // b.wav is the second file of its directory
}

TEST(BankSamples, AMissingSampleSilencesItsSlotAndIsReported) {
    ScratchDir dir;
    TestWav::constant(1000, 8192).write(dir / "a.wav");
    InstrumentUnderTest e;
    Slot& slot = e->sequencer().slots().slot(3);
    slot.setSamplePath((dir / "a.wav").string(), 5512.5);
    ASSERT_EQ(slot.sample.frameCount(), 1000);

    writeText(dir / "b.json", bankWith(R"({}, {}, {}, {"samplePath": "gone.wav"})"));
    const BankImportResult r = BankFile::importBank(*e, dir / "b.json");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.missingSamples, std::vector<std::string>{(dir / "gone.wav").string()});
    EXPECT_EQ(slot.samplePath(), (dir / "gone.wav").string()); // kept for relocation
    EXPECT_EQ(slot.sample.frameCount(), 0);                    // the old sound is gone
    EXPECT_FALSE(slot.directory.hasFileList());
}

TEST(BankSamples, SyncSlotsFollowTheTempoFromTheStart) {
    ScratchDir dir;
    TestWav::constant(88200, 8192).write(dir / "loop.wav");
    writeText(dir / "b.json", bankWith(R"({"samplePath": "loop.wav", "sync": true},
                          {"samplePath": "loop.wav", "sync": true, "tune": 0.9},
                          {"samplePath": "loop.wav", "sync": false})"));
    // No block yet, so the tempo counts as 120: a step is rate / 120 x 15 frames.
    InstrumentUnderTest at44;
    ASSERT_TRUE(BankFile::importBank(*at44, dir / "b.json").ok);
    SlotBank& slots = at44->sequencer().slots();
    EXPECT_FLOAT_EQ(slots.slot(0).syncIncrement, 1.0f); // 16 steps of 5512.5 frames
    EXPECT_FLOAT_EQ(slots.slot(1).syncIncrement, 4.0f); // 4 steps
    EXPECT_EQ(slots.slot(2).sync, 0);

    InstrumentUnderTest at48;
    at48->setSampleRate(48000.0f);
    at48->sequencer().tempo = 100.0f; // a tempo the audio thread has already seen
    ASSERT_TRUE(BankFile::importBank(*at48, dir / "b.json").ok);
    EXPECT_FLOAT_EQ(at48->sequencer().slots().slot(0).syncIncrement,
                    static_cast<float>(88200.0 / (48000.0 / 100.0 * 15.0 * 16.0)));
}

TEST(BankSamples, TheDemoBankLoadsEverySample) {
    InstrumentUnderTest e;
    const BankImportResult r = BankFile::importBank(*e, fs::path(QUOVENT_DEMO_DIR) / "demo.json");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.missingSamples.empty());
    for (int s = 0; s < capacity::kRowSlots; ++s) {
        EXPECT_GT(e->sequencer().slots().slot(s).sample.frameCount(), 1000) << "slot " << s;
    }
}
