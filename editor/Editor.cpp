#include "editor/Editor.hpp"

namespace quovent {

Editor::Editor(HostServices& host)
    : host_(host), sampleBrowser_(headlessDialogs_, [this] { return samplesPerStep(); }),
      clipboardOperations_(sequencer_, clipboardRow, copySourceSlot, sampleBrowser_) {}

double Editor::samplesPerStep() const {
    return sequencer_.samplesPerStep(host_.sampleRate());
}

void Editor::setSolo(int s, bool on) {
    SlotBank& slots = sequencer_.slots();
    if (s < 0 || s >= capacity::kRowSlots) {
        return;
    }
    slots.slot(s).solo = on ? 1 : 0;
    int lit = 0;
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        lit += slots.slot(i).solo != 0 ? 1 : 0;
    }
    if (on && lit == 1) {
        for (int i = 0; i < capacity::kRowSlots; ++i) {
            savedActive[static_cast<std::size_t>(i)] = slots.slot(i).active;
            slots.slot(i).active = i == s ? 1 : 0;
        }
    } else if (!on && lit == 0) {
        for (int i = 0; i < capacity::kRowSlots; ++i) {
            slots.slot(i).active = savedActive[static_cast<std::size_t>(i)];
        }
    } else {
        slots.slot(s).active = on ? 1 : 0;
    }
}

void Editor::sendPatternNote(bool on) {
    const int note = kFirstPatternNote + sequencer_.patterns().currentPattern();
    if (on) {
        sequencer_.postNoteOn(note, 127, kPatternChannel);
    } else {
        sequencer_.postNoteOff(note, kPatternChannel, 0.0f);
    }
}

void Editor::selectPatternKey(int key) {
    if (key < 0 || key >= PatternBank::kKeys) {
        return;
    }
    const bool playing = sequencer_.playing != 0;
    if (playing) {
        sendPatternNote(false);
    }
    sequencer_.patterns().selectKey(key);
    if (playing) {
        sendPatternNote(true);
        sequencer_.playing = 1;
    }
}

void Editor::selectPatternBank(int bank) {
    if (bank < 0 || bank >= PatternBank::kBanks) {
        return;
    }
    const bool playing = sequencer_.playing != 0;
    if (playing) {
        sendPatternNote(false);
    }
    sequencer_.patterns().selectBank(bank);
    if (playing) {
        sendPatternNote(true);
        sequencer_.playing = 1;
    }
}

void Editor::setPlaying(bool on) {
    sequencer_.playing = on ? 1 : 0;
    sendPatternNote(on);
}

bool Editor::setStepEditModeFromKey(int character) {
    switch (character) {
    case 'v':
        stepEditMode = 0.0f;
        return true;
    case 't':
        stepEditMode = 0.25f;
        return true;
    case 'f':
        stepEditMode = 0.5f;
        return true;
    case 'r':
        stepEditMode = 0.75f;
        return true;
    case 'p':
        stepEditMode = 1.0f;
        return true;
    default:
        return false;
    }
}

EditorRect Editor::getRect() const {
    EditorRect r;
    r.bottom = kHeight;
    r.right = kWidth;
    return r;
}

bool Editor::open(void* /*parent*/) {
    return false; // the window comes with the editor work
}

void Editor::close() {}

void Editor::idle() {}

int Editor::onKeyDown(const KeyCode& key) {
    return setStepEditModeFromKey(key.character) ? 1 : 0;
}

int Editor::setKnobMode(int /*mode*/) {
    return 1;
}

} // namespace quovent
