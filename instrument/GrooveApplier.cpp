#include "instrument/GrooveApplier.hpp"

#include "instrument/Instrument.hpp"
#include "samples/SampleDirectory.hpp"

#include <algorithm>
#include <array>
#include <span>

namespace quovent {

namespace {

constexpr int kRowSlots = capacity::kRowSlots;
constexpr int kSteps = capacity::kSteps;
constexpr int kLanes = capacity::kLanes;
constexpr int kPatterns = capacity::kPatterns;

// Missing samples are silenced rather than left playing the slot's previous sound: the
// imported bank should sound like the file says, and a slot whose file is gone is silent. The
// slot keeps the path and is marked missing, so the name display says so and relocation can
// find the file. A loaded sample's directory becomes the slot's file list, as for a file
// dropped on the slot, so stepping through the neighbouring files works at once.
//
// No view is touched here: a restore may run on a host thread other than the editor's, and
// whoever applied the bank shows the model afterwards on the editor thread.
// listed: the slots given their samples earlier in this apply; one of them whose sample lies
// in the same folder lends its listing, so each folder is listed once.
bool loadSlotSample(Slot& slot, const std::string& path, std::span<Slot* const> listed) {
    // A frame count of 0 silences the slot at once (from the next block on nothing plays
    // beyond it). Clearing touches only what the old sample wrote and gives its memory back,
    // so a slot whose file is missing holds nothing.
    slot.sample.setFrameCount(0);
    slot.sample.setSampleRate(0);
    slot.sample.clearSample();
    slot.directory.forget();
    slot.fileIndex = 0;
    if (path.empty()) {
        slot.assignSamplePath(Slot::kPlaceholderPath);
        return true;
    }
    slot.assignSamplePath(path);
    if (!slot.sample.loadSample(path.c_str())) {
        slot.markSampleMissing();
        return false;
    }
    const std::string folder = SampleDirectory::parentOf(path);
    const auto same = std::find_if(listed.begin(), listed.end(), [&](const Slot* other) {
        return other->directory.hasDirectory() && other->directory.directory() == folder;
    });
    if (same != listed.end()) {
        slot.directory.copyFrom((*same)->directory);
    } else if (!slot.directory.setDirectory(folder) || slot.directory.scan() == 0) {
        return true;
    }
    if (slot.directory.hasFileList()) {
        slot.fileIndex = std::max(0, slot.directory.indexOf(path));
    }
    return true;
}

void applyRow(PatternRow& row, const RowDocument& data) {
    for (int i = 0; i < kSteps; ++i) {
        row.setStep(i, data.stepOn[i]);
        for (int k = 0; k < kLanes; ++k) {
            row.setLane(k, i, data.lanes[k][i]);
        }
    }
}
} // namespace

void GrooveApplier::apply(Instrument& instrument, const GrooveDocument& data,
                          std::vector<std::string>& missing) {
    Sequencer& seq = instrument.sequencer();
    const double samplesPerStep = instrument.samplesPerStep();
    std::array<Slot*, kRowSlots> done{};
    for (int s = 0; s < kRowSlots; ++s) {
        const SlotDocument& d = data.slots[static_cast<std::size_t>(s)];
        Slot& slot = seq.slots().slot(s);
        // Solo is not part of a bank; the imported mute states stand on their own.
        slot.solo = 0;
        slot.volume = d.volume;
        slot.length = d.length;
        slot.tune = d.tune;
        slot.freq = d.freq;
        slot.res = d.res;
        slot.pan = d.pan;
        slot.filterMode = d.filterMode;
        slot.setOutputPair(d.outputPair);
        slot.active = d.active ? 1 : 0;
        slot.sync = 0; // switched on below, once the sample's length is known
        slot.syncIncrement = 1.0f;
        if (!loadSlotSample(slot, d.samplePath,
                            std::span<Slot* const>(done.data(), static_cast<std::size_t>(s)))) {
            missing.push_back(d.samplePath);
        }
        done[static_cast<std::size_t>(s)] = &slot;
        slot.setSync(d.sync, samplesPerStep);
    }
    for (int p = 0; p < kPatterns; ++p) {
        for (int s = 0; s < kRowSlots; ++s) {
            applyRow(seq.patterns().row(p, s),
                     data.patterns[static_cast<std::size_t>(p)][static_cast<std::size_t>(s)]);
        }
    }
    seq.shuffleAmount = data.shuffleAmount;
    instrument.stepEditMode = data.stepEditMode;
    instrument.selectPattern(data.bank, data.key);
}

} // namespace quovent
