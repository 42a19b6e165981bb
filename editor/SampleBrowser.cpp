#include "editor/SampleBrowser.hpp"

#include "platform/Paths.hpp"
#include "platform/UserSettings.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace quovent {

namespace {
bool isDirectory(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}
} // namespace

SampleBrowser::SampleBrowser(SampleDialogs& dialogs, std::function<double()> samplesPerStep)
    : dialogs_(&dialogs), samplesPerStep_(std::move(samplesPerStep)) {}

std::string SampleBrowser::missingFileQuestion(const std::string& path) {
    char text[capacity::kListEntryText];
    std::snprintf(text, sizeof text, "missing: %s relocate ??", path.c_str());
    return text;
}

void SampleBrowser::loadListEntry(Slot& slot, int index) {
    slot.fileIndex = index;
    slot.setSamplePath(slot.directory.file(index), samplesPerStep_());
}

void SampleBrowser::browseSampleDirectory(Slot& slot) {
    const std::string root = isDirectory(sampleBasePath_) ? sampleBasePath_ : std::string();
    const auto chosen = dialogs_->chooseFolder(kSlotFolderTitle, root);
    if (!chosen || !slot.directory.setDirectory(*chosen)) {
        return;
    }
    slot.fileIndex = 0;
    if (slot.directory.scan() == 0) {
        slot.showSampleText(kNoWavFiles);
        return;
    }
    loadListEntry(slot, 0);
}

void SampleBrowser::browseAndShare(Slot& slot, SlotBank& slots, int rowSlots) {
    browseSampleDirectory(slot);
    if (!slot.directory.hasFileList()) {
        return;
    }
    for (int i = 0; i < rowSlots; ++i) {
        if (i != slot.index()) {
            shareSampleDirectory(slots.slot(i), slot);
        }
    }
}

void SampleBrowser::nextSample(Slot& slot) {
    if (!slot.directory.hasFileList()) {
        return;
    }
    const int count = slot.directory.fileCount();
    const int next = slot.fileIndex + 1;
    loadListEntry(slot, next >= count || next < 0 ? 0 : next);
}

void SampleBrowser::previousSample(Slot& slot) {
    if (!slot.directory.hasFileList()) {
        return;
    }
    const int count = slot.directory.fileCount();
    const int previous = slot.fileIndex - 1;
    loadListEntry(slot, previous < 0 || previous >= count ? count - 1 : previous);
}

void SampleBrowser::selectFromList(Slot& slot, int index) {
    if (slot.directory.hasFileList() && index >= 0 && index < slot.directory.fileCount()) {
        loadListEntry(slot, index);
    }
}

void SampleBrowser::openSampleFile(Slot& slot, const std::string& path) {
    slot.resetSample();
    if (!loadWithRelocation(slot, path)) {
        slot.resetSample();
        return;
    }
    if (!slot.directory.setDirectory(SampleDirectory::parentOf(slot.samplePath()))) {
        return; // loaded, but its directory is too long to list
    }
    slot.fileIndex = 0;
    if (slot.directory.scan() == 0) {
        slot.showSampleText(kNoWavFiles);
        return;
    }
    const int own = slot.directory.indexOf(slot.samplePath());
    loadListEntry(slot, own >= 0 ? own : 0);
}

bool SampleBrowser::loadWithRelocation(Slot& slot, const std::string& path) {
    slot.assignSamplePath(path);
    if (Slot::isPlaceholder(path)) {
        return false;
    }
    bool loaded = slot.sample.loadSample(path.c_str());
    if (!loaded && hasRelocationDirectory()) {
        const auto cut = path.find_last_of(paths::kSeparator);
        const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        const std::string moved = SampleDirectory::join(relocationDirectory_, name);
        slot.assignSamplePath(moved);
        loaded = slot.sample.loadSample(moved.c_str());
    }
    if (!loaded) {
        if (!dialogs_->askYesNo(missingFileQuestion(slot.samplePath())) ||
            !relocateSample(slot, slot.samplePath())) {
            return false;
        }
    }
    if (slot.sync != 0) {
        slot.updateSyncIncrement(samplesPerStep_());
    }
    slot.showSampleName(slot.samplePath());
    return true;
}

bool SampleBrowser::relocateSample(Slot& slot, const std::string& /*path*/) {
    const auto chosen = dialogs_->chooseWavFile();
    if (!chosen || chosen->empty() || chosen->size() > SampleDirectory::kMaxEntryLength) {
        return false;
    }
    slot.assignSamplePath(*chosen);
    if (!slot.sample.loadSample(chosen->c_str())) {
        return false;
    }
    relocationDirectory_ = SampleDirectory::parentOf(*chosen);
    return true;
}

bool SampleBrowser::relocateMissingSample(Slot& slot) {
    const std::string saved = slot.samplePath();
    if (loadWithRelocation(slot, saved)) {
        listOwnDirectory(slot);
        slot.showSampleName(slot.samplePath());
        return true;
    }
    slot.assignSamplePath(saved);
    slot.markSampleMissing();
    slot.showSampleName(saved);
    return false;
}

bool SampleBrowser::listOwnDirectory(Slot& slot) {
    slot.fileIndex = 0;
    if (!slot.directory.setDirectory(SampleDirectory::parentOf(slot.samplePath())) ||
        slot.directory.scan() == 0) {
        return false;
    }
    slot.fileIndex = std::max(0, slot.directory.indexOf(slot.samplePath()));
    return true;
}

void SampleBrowser::shareSampleDirectory(Slot& target, const Slot& source) {
    if (!source.directory.hasFileList()) {
        return;
    }
    target.directory.copyFrom(source.directory);
    target.fileIndex = source.fileIndex;
    loadWithRelocation(target, source.samplePath());
}

bool SampleBrowser::readSampleBase() {
    std::string stored;
    bool unreadable = false;
    switch (UserSettings::readSampleBase(stored)) {
    case UserSettings::ReadResult::Found:
        if (stored.size() <= SampleDirectory::kMaxDirectoryLength) {
            sampleBasePath_ = stored;
            break;
        }
        [[fallthrough]]; // a value no path text can hold is as good as unreadable
    case UserSettings::ReadResult::Unreadable:
        sampleBasePath_ = paths::kDefaultRoot;
        unreadable = true;
        break;
    case UserSettings::ReadResult::Missing:
        sampleBasePath_ = paths::kDefaultRoot;
        break;
    }
    showSampleBase();
    return unreadable;
}

void SampleBrowser::reportReadFailure() {
    dialogs_->showMessage(kReadFailed);
}

void SampleBrowser::chooseSampleBase() {
    const auto chosen = dialogs_->chooseFolder(kSampleBaseTitle, std::string());
    if (chosen && !chosen->empty() && chosen->size() <= SampleDirectory::kMaxDirectoryLength) {
        sampleBasePath_ = *chosen;
        if (!UserSettings::writeSampleBase(sampleBasePath_)) {
            dialogs_->showMessage(kWriteFailed);
        }
    }
    showSampleBase();
    if (view_ != nullptr) {
        view_->redrawReadouts();
    }
}

void SampleBrowser::showSampleBase() {
    if (view_ != nullptr) {
        view_->showSampleBaseText(sampleBasePath_);
    }
}

} // namespace quovent
