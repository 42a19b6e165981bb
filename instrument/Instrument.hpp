// The instrument, whatever plug-in format it runs in: the sequencer model (slots, patterns,
// voices), its per-instance note tables, the host's sample rate and tempo, the stable
// parameters, the state (saved as the groove bank document, restored all-or-nothing) and the
// one process call every format makes (events at their frames in, twelve outputs out). It knows no
// plug-in format and no window: it runs, renders and restores with no editor at all. A format
// adapter owns one per plug-in instance; an editor, when there is one, is a view over it.
//
// Threads:
// - Audio thread: process and reset, and setParameter for host automation. These never
//   allocate, lock, do I/O or throw.
// - Any other thread: everything else. Work on the model (state, editor operations) is
//   serialised by the model lock, which the audio thread never takes: settings it reads are
//   relaxed 32-bit values and sample frames, rewritten in place.
// - setParameter and parameter may come from any thread, the audio thread included.
#pragma once

#include "engine/Sequencer.hpp"
#include "instrument/BankFile.hpp"
#include "instrument/BlockEvents.hpp"
#include "instrument/InstrumentListener.hpp"
#include "instrument/ModelLock.hpp"
#include "instrument/ParameterTable.hpp"
#include "instrument/ProcessBlock.hpp"
#include "platform/Relaxed.hpp"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quovent {

class Instrument {
public:
    static constexpr int kOutputs = capacity::kOutputs;
    static constexpr int kOutputPairs = capacity::kOutputPairs;
    // A state larger than this is refused before a byte of it is read.
    static constexpr std::size_t kMaxStateBytes = capacity::kBankFileBytes;
    static constexpr float kDefaultSampleRate = 44100.0f;

    Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // ---- Audio thread --------------------------------------------------------------------
    // One host block: the events at their frames (parameter changes and, with
    // NoteOffs::AtFrame, note-offs split the block where they fall), the twelve outputs
    // replaced or added into. Safe for any values in the block: absurd lengths, frames and
    // bytes, null buffers.
    void process(const ProcessBlock& block) noexcept;
    // The host stopped the audio and starts it again (deactivate, activate): silence, no
    // held keys, no waiting Play request; the groove and every setting stay. Never beside
    // process; it allocates, locks and blocks nothing, so a format may call it on the audio
    // thread between blocks.
    void reset() noexcept { sequencer_.reset(); }
    // The tempo the last block played at: the host's, bounded, or 120 when it gave none.
    float tempo() const noexcept;

    // ---- Host settings ---------------------------------------------------------------------
    // Rates the instrument renders at, Hz.
    static constexpr double kMinSampleRate = Sequencer::kMinSampleRate;
    static constexpr double kMaxSampleRate = Sequencer::kMaxSampleRate;
    static bool usableSampleRate(double rate) noexcept {
        return rate >= kMinSampleRate && rate <= kMaxSampleRate; // false for NaN
    }
    // The host's rate in Hz; false for a rate that is not usable, which changes nothing but
    // the note-off scale (a host has set a rate). Tempo-synchronised slots stretch their
    // sample again for the new rate.
    bool setSampleRate(double rate) noexcept;
    // Takes the rate to render at without the work of a rate change (the note-off scale and
    // the sync stretch stay as they are): VST 2's combined block size and rate request.
    bool adoptSampleRate(double rate) noexcept;
    float sampleRate() const noexcept { return sampleRate_.load(); }
    // The last tempo the host gave, 0 for none.
    float hostTempo() const noexcept { return hostTempo_.load(); }
    // Samples per step at the host's rate and the last tempo the audio thread saw.
    double samplesPerStep() const noexcept { return sequencer_.samplesPerStep(sampleRate()); }

    // ---- Parameters ------------------------------------------------------------------------
    // The host sets a parameter (plain value): NaN is no value and changes nothing, anything
    // else is clamped into the parameter's range. False for an unknown id or NaN. Any thread,
    // the audio thread included. The listener hears nothing of it; the editor shows it at its
    // next idle.
    bool setParameter(ParameterId id, float value) noexcept;
    // The parameter's current plain value; 0 for an unknown id.
    float parameter(ParameterId id) const noexcept;
    // Counts the host's parameter changes, so a view can tell when to show them.
    unsigned hostParameterChanges() const noexcept { return hostChanges_.load(); }

    // The editor's edits: stored as setParameter stores them, and the listener is told
    // (outside the model lock) in whole gestures, as hosts record edits: an edit outside a
    // begun gesture (a click that sets a value at once) comes as a gesture of its own, a
    // second begin of an open gesture and an end without a begin are not passed on. Editor
    // thread.
    void beginParameterEdit(ParameterId id);
    void editParameter(ParameterId id, float value);
    void endParameterEdit(ParameterId id);
    // The format adapter that hears the editor's edits; null for none.
    void setListener(InstrumentListener* listener) noexcept { listener_ = listener; }

    // ---- Operations on the model (under the model lock) -----------------------------------
    // A pattern key or bank while playing plays the newly current pattern from its start in
    // place of the old one (also when it is the same pattern).
    void selectPatternKey(int key) noexcept;
    void selectPatternBank(int bank) noexcept;
    // Bank and key at once (a restored state): while playing, a changed selection plays the
    // new pattern from its start in place of the old one.
    void selectPattern(int bank, int key) noexcept;
    // The Play button: plays the current pattern from its start, or stops what it started.
    void setPlaying(bool on) noexcept;

    // The lane the step buttons edit (0 Vol, 0.25 Tune, 0.5 Freq, 0.75 Res, 1 Pan); kept in
    // the state.
    Relaxed<float> stepEditMode{0.0f};
    // Edited lane: integer part of stepEditMode x 4 (0 Vol .. 4 Pan).
    int stepEditLane() const noexcept { return static_cast<int>(stepEditMode * 4.0f); }

    // ---- The state ---------------------------------------------------------------------------
    // The groove bank text of the whole state, every sample path absolute (or as the host's
    // statePaths maps it). Never fails: a path that is not UTF-8 is written with its stray
    // bytes replaced.
    std::string saveState(const StatePaths* statePaths = nullptr) const;
    // Replaces the whole state with the text's (read by size; no zero needed at its end),
    // all-or-nothing: refused text changes nothing, and text longer than kMaxStateBytes is
    // refused before a byte of it is read. Samples that cannot be found keep their path,
    // play silence and wait to be offered for relocation when an editor shows them.
    BankImportResult restoreState(std::string_view text, const StatePaths* statePaths = nullptr);
    // A state that holds nothing but the defaults: what a new instance starts with.
    static constexpr std::string_view kDefaultState = R"({"format": "quovent-bank", "version": 1})";
    // A groove bank file, read as Import reads it (relative sample paths beside the file).
    BankImportResult importBank(const std::filesystem::path& file);
    BankExportResult exportBank(const std::filesystem::path& file) const;
    // Gives row slot 0..7 the sample in an absolute path's WAV file and lists its directory
    // for stepping, as a file dropped on the slot is. All-or-nothing: a file that cannot be
    // read as a sample is refused with the slot as it was, and the answer says why (empty
    // when loaded). Counts as a state change, so an editor shows the new name.
    std::string loadSlotSample(int slot, const std::string& path);
    // Counts replacements of the whole model (restores, imports), so a view can tell when to
    // show the model again.
    unsigned stateChanges() const noexcept { return stateChanges_.load(); }
    // Counts the editor's changes to what the state holds (steps, lanes, settings, samples),
    // so a format whose hosts keep a project's "changed" flag can tell them (CLAP's
    // mark_dirty). Editor thread.
    void markEdited() noexcept { edits_ = edits_ + 1; }
    unsigned edits() const noexcept { return edits_.load(); }
    // Slots restored with a missing sample that no editor has offered for relocation yet.
    bool relocationPending(int slot) const noexcept;
    void setRelocationPending(int slot, bool pending) noexcept;

    // The model, for the editor and the state codec; hold lock() while working on it.
    Sequencer& sequencer() noexcept { return sequencer_; }
    const Sequencer& sequencer() const noexcept { return sequencer_; }
    ModelLock& lock() const noexcept { return lock_; }

private:
    void store(const ParameterInfo& info, float value) noexcept;
    void carryOut(const InstrumentEvent& event, int delta) noexcept;
    void renderPiece(const std::array<float*, kOutputs>& host, int start, int frames) noexcept;
    void playCurrentPatternIfPlaying() noexcept;
    void restretchSyncSlots() noexcept;

    // Declared before everything it guards, so it outlives them.
    mutable ModelLock lock_;
    Sequencer sequencer_;
    Relaxed<float> sampleRate_{kDefaultSampleRate};
    Relaxed<float> hostTempo_{0.0f};
    InstrumentListener* listener_ = nullptr;
    Relaxed<unsigned> hostChanges_{0};
    Relaxed<unsigned> stateChanges_{0};
    Relaxed<unsigned> edits_{0};
    std::array<bool, capacity::kRowSlots> relocationPending_{};
    // Editor thread: the parameters (by table index) whose edit gesture is open.
    std::array<bool, ParameterTable::kCount> gestures_{};
    // Audio thread: the block's events in order, and where outputs the host left out go.
    BlockEvents blockEvents_;
    std::unique_ptr<float[]> scratch_;
};

} // namespace quovent
