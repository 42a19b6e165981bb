// The host's Solo automation on the audio thread racing the editor's Solo and Mute clicks on
// its own thread. Run under ThreadSanitizer (label "threaded"): every flag is a single value
// either thread may write, and which slots sound is worked out from them at each block, so
// nothing races and the slots end as the last change of each flag says.
#include "instrument/Instrument.hpp"

#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace quovent {
namespace {

ParameterId id(int slot, SlotField field) {
    return ParameterTable::slotParameter(slot, field);
}

TEST(InstrumentThreads, HostSoloOnTheAudioThreadRacesEditorSoloAndMuteClicks) {
    Instrument instrument;
    constexpr int kRounds = 2000;
    std::thread audio([&] {
        for (int round = 0; round < kRounds; ++round) {
            // Slot 1's Solo automated on and off at frames of the block, ending on.
            const std::array<InstrumentEvent, 3> events = {
                InstrumentEvent::midiMessage(0, 0x99, 60, 100),
                InstrumentEvent::parameterChange(10, id(0, SlotField::Solo), 0.0f),
                InstrumentEvent::parameterChange(40, id(0, SlotField::Solo), 1.0f)};
            ProcessBlock block; // no host buffers: rendered into scratch memory
            block.frames = 64;
            block.events = events;
            instrument.process(block);
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        const ModelLock::Scope hold(instrument.lock());
        const float on = round % 2 == 0 ? 1.0f : 0.0f;
        instrument.editParameter(id(1, SlotField::Solo), on);        // ends off
        instrument.editParameter(id(2, SlotField::Mute), on);        // ends off
        instrument.editParameter(id(3, SlotField::Mute), 1.0f - on); // ends muted
    }
    audio.join();
    const SlotBank& slots = instrument.sequencer().slots();
    EXPECT_EQ(slots.silentSlots() & 0xFFU, 0xFEU) << "only slot 1 is soloed";
    instrument.setParameter(id(0, SlotField::Solo), 0.0f);
    EXPECT_EQ(slots.silentSlots() & 0xFFU, 0x08U) << "slot 4 alone is muted";
}

} // namespace
} // namespace quovent
