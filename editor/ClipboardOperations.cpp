#include "editor/ClipboardOperations.hpp"

namespace quovent {

namespace {
constexpr int kRows = capacity::kRowSlots;

enum PatternItem {
    kCopyFullPattern = 0,
    kPasteFullPattern = 1,
    kInitFullPattern = 2,
    kCopySelectedSlots = 4,
    kPasteSelectedSlots = 5,
    kInitEverything = 7,
};

enum SlotItem {
    kCopySample = 0,
    kPasteSample = 1,
    kCopyCurrentMod = 3,
    kPasteCurrentMod = 4,
    kInitCurrentMod = 5,
    kCopyAllMods = 7,
    kPasteAllMods = 8,
    kInitAllMods = 9,
    kCopyWholeSeq = 11,
    kPasteWholeSeq = 12,
    kInitWholeSeq = 13,
    kCopySlotSettings = 15,
    kPasteSlotSettings = 16,
    kInitSlotSettings = 17,
};
} // namespace

ClipboardOperations::ClipboardOperations(Sequencer& sequencer, PatternRow& clipboardRow,
                                         int& copySourceSlot, SampleBrowser& browser)
    : sequencer_(sequencer), clipboardRow_(clipboardRow), copySourceSlot_(copySourceSlot),
      browser_(browser) {}

void ClipboardOperations::show() {
    if (view_ != nullptr) {
        view_->showCurrentPattern();
    }
}

void ClipboardOperations::showSlot(int s) {
    if (view_ != nullptr) {
        view_->showSlotSettings(s);
    }
}

const Slot* ClipboardOperations::copySource() {
    if (copySourceSlot_ < 0 || copySourceSlot_ >= capacity::kSlots) {
        return nullptr;
    }
    const Slot& source = slot(copySourceSlot_);
    return source.directory.hasFileList() ? &source : nullptr;
}

void ClipboardOperations::patternMenu(int item) {
    Pattern& clip = sequencer_.patterns().clipboard();
    switch (item) {
    case kCopyFullPattern:
        for (int s = 0; s < kRows; ++s) {
            clip.row(s).copyAllFrom(row(s));
        }
        break;
    case kPasteFullPattern:
        for (int s = 0; s < kRows; ++s) {
            row(s).copyAllFrom(clip.row(s));
        }
        show();
        break;
    case kInitFullPattern:
        for (int s = 0; s < kRows; ++s) {
            row(s).initLanes();
            row(s).clearSteps();
        }
        show();
        break;
    case kCopySelectedSlots:
        for (int s = 0; s < kRows; ++s) {
            if (slot(s).selected != 0) {
                clip.row(s).copyAllFrom(row(s));
            } else {
                clip.row(s).initLanes();
            }
        }
        break;
    case kPasteSelectedSlots:
        for (int s = 0; s < kRows; ++s) {
            if (slot(s).selected != 0) {
                row(s).copyAllFrom(clip.row(s));
            }
        }
        show();
        break;
    case kInitEverything:
        for (int p = 0; p < PatternBank::kPatterns; ++p) {
            for (int s = 0; s < kRows; ++s) {
                PatternRow& r = sequencer_.patterns().row(p, s);
                r.initLanes();
                r.clearSteps();
            }
        }
        show();
        for (int s = 0; s < kRows; ++s) {
            initSlotSettings(s);
        }
        sequencer_.shuffleAmount = 0.0f;
        if (view_ != nullptr) {
            view_->showShuffle();
        }
        break;
    default:
        break;
    }
}

void ClipboardOperations::slotMenu(int s, int item, int lane) {
    if (s < 0 || s >= kRows || lane < 0 || lane >= PatternRow::kLanes) {
        return;
    }
    switch (item) {
    case kCopySample:
    case kCopySlotSettings:
        copySourceSlot_ = s;
        break;
    case kPasteSample:
        if (const Slot* source = copySource()) {
            browser_.shareSampleDirectory(slot(s), *source);
        }
        break;
    case kCopyCurrentMod:
        clipboardRow_.copyLaneFrom(lane, row(s));
        break;
    case kPasteCurrentMod:
        row(s).copyLaneFrom(lane, clipboardRow_);
        show();
        break;
    case kInitCurrentMod:
        row(s).initLane(lane);
        show();
        break;
    case kCopyAllMods:
        clipboardRow_.copyLanesFrom(row(s));
        clipboardRow_.clearSteps();
        break;
    case kPasteAllMods:
        row(s).copyLanesFrom(clipboardRow_);
        show();
        break;
    case kInitAllMods:
        row(s).initLanes();
        show();
        break;
    case kCopyWholeSeq:
        clipboardRow_.copyAllFrom(row(s));
        break;
    case kPasteWholeSeq:
        row(s).copyAllFrom(clipboardRow_);
        show();
        break;
    case kInitWholeSeq:
        row(s).initLanes();
        row(s).clearSteps();
        show();
        break;
    case kPasteSlotSettings:
        pasteSlotSettings(s);
        break;
    case kInitSlotSettings:
        initSlotSettings(s);
        break;
    default:
        break;
    }
}

void ClipboardOperations::pasteSlotSettings(int target) {
    const Slot* source = copySource();
    if (source == nullptr) {
        return;
    }
    Slot& t = slot(target);
    // The solo and select states stay the target's own: they are what its buttons show,
    // and solo also decides the other slots' mute states.
    t.pan = source->pan.load();
    t.filterMode = source->filterMode.load();
    t.syncIncrement = source->syncIncrement.load();
    t.sync = source->sync.load();
    t.heldNotes = 0;
    t.outputPair = source->outputPair.load();
    t.length = source->length.load();
    t.volume = source->volume.load();
    t.active = source->active.load();
    t.tune = source->tune.load();
    t.res = source->res.load();
    t.freq = source->freq.load();
    if (&t != source) {
        browser_.shareSampleDirectory(t, *source);
    }
    // A failed load leaves the name display as it was: it must not name a file the slot
    // does not play.
    if (view_ != nullptr) {
        view_->showSlotControls(target);
    }
}

void ClipboardOperations::initSlotSettings(int target) {
    Slot& t = slot(target);
    t.resetSample();
    t.pan = 0.5f;
    t.solo = 0;
    t.filterMode = 0;
    t.syncIncrement = 1.0f;
    t.sync = 0;
    t.heldNotes = 0;
    t.outputPair = 1;
    t.length = 1.0f;
    t.volume = 0.65f;
    t.active = 1;
    t.tune = 0.5f;
    t.selected = 0;
    t.res = 0.0f;
    t.freq = 1.0f;
    showSlot(target);
}

} // namespace quovent
