// One sample slot: its sample, sound settings, output pair, mute, solo and tempo-sync mode.
//
// Threads: the editor thread (and the host's setParameter) writes the settings while the
// audio thread reads them; each setting is a single relaxed 32-bit value. The sample path,
// the name view and the directory list belong to the editor thread alone.
#pragma once

#include "engine/SampleNameView.hpp"
#include "platform/Relaxed.hpp"
#include "samples/SampleBuffer.hpp"
#include "samples/SampleDirectory.hpp"

#include <string>

namespace quovent {

enum class FilterMode : int { None = 0, LowPass = 1, BandPass = 2, HighPass = 3 };

class Slot {
public:
    static constexpr int kMinOutputPair = 1;
    static constexpr int kMaxOutputPair = capacity::kOutputPairs;
    // Eight blanks, as every text written into the editor's displays.
    static constexpr const char* kPlaceholderPath = "        Set some dir with wav's..";
    // The name display of a slot whose sample is missing; the file name follows.
    static constexpr const char* kMissingPrefix = "        missing: ";

    explicit Slot(int index);
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    int index() const noexcept { return index_; }

    // Settings, all control values 0..1 unless noted.
    Relaxed<int> filterMode{0}; // FilterMode
    Relaxed<float> syncIncrement{1.0f};
    Relaxed<int> sync{0};
    Relaxed<int> heldNotes{0}; // note-ons without note-off on the slot's channel
    Relaxed<int> active{1};    // 0 mutes
    Relaxed<float> length{1.0f};
    Relaxed<float> volume{0.65f};
    Relaxed<float> tune{0.5f};
    Relaxed<float> res{0.0f};
    Relaxed<float> freq{1.0f};
    Relaxed<float> pan{0.5f};
    Relaxed<int> outputPair{1}; // 1..6: outputs 2n-2 and 2n-1
    Relaxed<int> solo{0};
    Relaxed<int> selected{0}; // the row's select bar
    // Activity lamp as the audio thread wants it shown (1 lit): set by note-ons on the slot's
    // channel, cleared when heldNotes falls to 0. The editor copies it into the lamp control
    // when idle, so the audio thread never touches a control.
    Relaxed<int> lamp{0};

    SampleBuffer sample;
    SampleDirectory directory; // editor thread only
    int fileIndex = 0;         // number shown with the sample name

    // Pitch ratio of the tune setting in whole semitones, -12..+12.
    float tuneRatio() const noexcept;

    void outputPairUp() noexcept;
    void outputPairDown() noexcept;
    void setOutputPair(int pair) noexcept;
    void toggleActive() noexcept { active = active == 0 ? 1 : 0; }
    // Filter mode from the filter switch's value: integer part of value x 3.
    void setFilterModeFromValue(float value) noexcept { filterMode = filterModeFromValue(value); }
    static int filterModeFromValue(float value) noexcept;

    // Tempo sync: tune picks the number of steps (64, 32, 16, 8, 4) the whole sample lasts.
    static int syncSteps(float tune) noexcept;
    void updateSyncIncrement(double samplesPerStep) noexcept;
    void setSync(bool on, double samplesPerStep) noexcept;

    // Sample operations, editor thread.
    const std::string& samplePath() const { return samplePath_; }
    static bool isPlaceholder(const std::string& path);
    // Loads (or for the placeholder, silences) and shows the name. A failed load keeps the
    // old audio while the path and the display name the new file.
    void setSamplePath(const std::string& path, double samplesPerStep);
    void showSampleName(const std::string& text);
    void resetSample();
    // Formats the name display text for a path into out (size bytes, always terminated).
    static void formatSampleName(const std::string& text, int fileIndex, char* out,
                                 std::size_t size);
    // The same for a missing sample: the prefix and the file name.
    static void formatMissingName(const std::string& text, char* out, std::size_t size);

    // Names the sample file without loading it (relocation tries several paths).
    void assignSamplePath(const std::string& path) {
        samplePath_ = path;
        sampleMissing_ = false;
    }
    // The path names a file that could not be loaded when a bank or the host's saved state
    // was read: the slot is silent, and its name display says "missing" until another
    // sample path is set.
    void markSampleMissing() { sampleMissing_ = true; }
    bool sampleMissing() const { return sampleMissing_; }
    // Shows a text as it is, without numbering (hints such as a failed scan).
    void showSampleText(const char* text);

    void setNameView(SampleNameView* view) { nameView_ = view; }

private:
    int index_;
    std::string samplePath_{kPlaceholderPath};
    bool sampleMissing_ = false;
    SampleNameView* nameView_ = nullptr;
};

} // namespace quovent
