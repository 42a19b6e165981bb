// The copy, paste and initialise operations of the pattern menu and the slot menus.
// Editor thread only; the audio thread reads the rows and settings these write.
#pragma once

#include "editor/SampleBrowser.hpp"
#include "engine/Sequencer.hpp"

#include <array>

namespace quovent {

class ClipboardOperations {
public:
    // Menu item texts in menu order; the menus report the index of the chosen item.
    static constexpr std::array<const char*, 8> kPatternMenuItems{
        "copy full pattern",
        "paste full pattern",
        "init full pattern",
        "-",
        "copy selected slots",
        "paste selected slots",
        "-",
        "INIT QUOVENT (all pattern,all slots)"};
    static constexpr std::array<const char*, 18> kSlotMenuItems{
        "copy sample",         "paste sample",      "-", "copy current mod",
        "paste current mod",   "init current mod",  "-", "copy all mods",
        "paste all mods",      "init all mods",     "-", "copy whole seq",
        "paste whole seq",     "init whole seq",    "-", "copy slot settings",
        "paste slot settings", "init slot settings"};

    // How the window follows a change; all calls come after the model has changed.
    class View {
    public:
        virtual ~View() = default;
        // The current pattern's rows into the step buttons.
        virtual void showCurrentPattern() = 0;
        // A slot's controls from its settings (sample name, output pair, sliders, knobs...).
        virtual void showSlotSettings(int slot) = 0;
        // The same without the sample name, which a load shows only when it succeeds.
        virtual void showSlotControls(int slot) = 0;
        virtual void showShuffle() = 0;
    };

    ClipboardOperations(Sequencer& sequencer, PatternRow& clipboardRow, int& copySourceSlot,
                        SampleBrowser& browser);

    void setView(View* view) { view_ = view; }

    void patternMenu(int item);
    // lane: the current step-edit lane (0 Vol .. 4 Pan) at the moment the item runs.
    void slotMenu(int slot, int item, int lane);

    void pasteSlotSettings(int target);
    void initSlotSettings(int target);

private:
    PatternRow& row(int slot) { return sequencer_.patterns().currentRow(slot); }
    Slot& slot(int s) { return sequencer_.slots().slot(s); }
    const Slot* copySource();
    void show();
    void showSlot(int s);

    Sequencer& sequencer_;
    PatternRow& clipboardRow_;
    int& copySourceSlot_;
    SampleBrowser& browser_;
    View* view_ = nullptr;
};

} // namespace quovent
