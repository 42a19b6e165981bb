// The plug-in's editor as an LV2 UI (ui:X11UI): the instrument's own editor, embedded in the
// host's window (ui:parent), driven by the host's idle calls (ui:idleInterface) and a view
// over the instance's instrument, reached through instance-access. Parameter edits made in
// the editor go to the host as control port writes, so that the host records and automates
// them; everything else the editor changes is the instrument's state, saved with it.
//
// Threads: the host's UI thread, for every call. The host destroys the UI before the
// instance it accesses.
#pragma once

#include "editor/Editor.hpp"
#include "editor/HostServices.hpp"
#include "instrument/InstrumentListener.hpp"

#include <lv2/ui/ui.h>

#include <memory>

namespace quovent::lv2 {

class Plugin;

class Ui final : public HostServices, public InstrumentListener {
public:
    // Null when a required feature is missing or the window cannot be opened.
    static std::unique_ptr<Ui> create(LV2UI_Write_Function write, LV2UI_Controller controller,
                                      LV2UI_Widget* widget, const LV2_Feature* const* features);
    ~Ui() override;
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    // ui:idleInterface: 0 while the editor is open.
    int idle();

    // HostServices
    float hostTempo() override;
    bool resizeWindow(int width, int height) override;

    // InstrumentListener: the editor's edits, as control port writes.
    void parameterEdited(ParameterId id, float value) override;

private:
    Ui(Plugin& plugin, LV2UI_Write_Function write, LV2UI_Controller controller,
       const LV2UI_Resize* resize);

    Instrument& instrument_;
    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Resize* resize_;
    Editor editor_;
};

} // namespace quovent::lv2
