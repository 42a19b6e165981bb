// Sample directories of the slots, relocation of missing files and the user's sample base
// directory: everything between the user's folder choices and a slot's loaded sample.
// Editor thread only; the audio thread keeps playing the current samples meanwhile.
#pragma once

#include "editor/SampleDialogs.hpp"
#include "engine/SlotBank.hpp"

#include <functional>
#include <string>

namespace quovent {

class SampleBrowser {
public:
    static constexpr const char* kSlotFolderTitle = "Select a Sample Directory";
    static constexpr const char* kSampleBaseTitle = "Select the SampleBase Directory";
    static constexpr const char* kNoWavFiles = "        fail: dir contains no *.wav files";
    static constexpr const char* kNoDirectory = "no dir selected...";
    static constexpr const char* kReadFailed = "failed to read registry";
    static constexpr const char* kWriteFailed = "failed to write to registry";

    // Where the sample base is shown while the window is open.
    class View {
    public:
        virtual ~View() = default;
        virtual void showSampleBaseText(const std::string& text) = 0;
        // The Notes and BPM readouts share the top row with the sample base display.
        virtual void redrawReadouts() = 0;
    };

    // samplesPerStep: the current step length in samples, for tempo-synchronised slots.
    SampleBrowser(SampleDialogs& dialogs, std::function<double()> samplesPerStep);

    void setView(View* view) { view_ = view; }
    void setDialogs(SampleDialogs& dialogs) { dialogs_ = &dialogs; }

    const std::string& sampleBasePath() const { return sampleBasePath_; }
    bool hasRelocationDirectory() const { return !relocationDirectory_.empty(); }
    const std::string& relocationDirectory() const { return relocationDirectory_; }

    // A slot's folder button: choose a directory below the sample base, list it and load
    // its first file. A directory without WAV files keeps the loaded sample.
    void browseSampleDirectory(Slot& slot);
    // Alt click on a folder button: browse, then give the other row slots the same list.
    void browseAndShare(Slot& slot, SlotBank& slots, int rowSlots);
    void nextSample(Slot& slot);
    void previousSample(Slot& slot);
    // A choice from the slot's file list menu.
    void selectFromList(Slot& slot, int index);
    // A file dropped on the slot: load it and list its directory with it selected.
    void openSampleFile(Slot& slot, const std::string& path);
    // Loads the path, trying the relocation directory and then asking the user to locate a
    // missing file. False (old audio kept) when nothing could be loaded.
    bool loadWithRelocation(Slot& slot, const std::string& path);
    bool relocateSample(Slot& slot, const std::string& path);
    // A slot whose sample was missing when the host's saved state was restored: the
    // relocation directory first, then the question and the file selector. A found file is
    // listed with its directory as a bank import lists it. Otherwise the slot keeps the path
    // it was saved with (not the last one tried), stays silent and shows it as missing.
    bool relocateMissingSample(Slot& slot);
    // The target takes over the source's directory, list and file.
    void shareSampleDirectory(Slot& target, const Slot& source);

    // Reads the stored sample base (each time the window opens) and shows it. True when a
    // stored value could not be read: the sample base is then the root, and the caller
    // tells the user with reportReadFailure once a message box can be shown.
    [[nodiscard]] bool readSampleBase();
    void reportReadFailure();
    // The sample base folder button: choose, store and show.
    void chooseSampleBase();

    // "missing: %s relocate ??", cut to fit its 512-byte text.
    static std::string missingFileQuestion(const std::string& path);

private:
    void showSampleBase();
    void loadListEntry(Slot& slot, int index);
    // Lists the directory of the slot's loaded file with that file selected, without
    // loading it again; false when the directory cannot be listed.
    static bool listOwnDirectory(Slot& slot);

    SampleDialogs* dialogs_;
    std::function<double()> samplesPerStep_;
    View* view_ = nullptr;
    std::string sampleBasePath_;
    std::string relocationDirectory_;
};

} // namespace quovent
