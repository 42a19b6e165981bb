#include "formats/lv2/Ui.hpp"

#include "formats/lv2/Plugin.hpp"
#include "formats/lv2/PortLayout.hpp"
#include "instrument/ParameterTable.hpp"
#include "platform/Window.hpp"
#include "widgets/FrameWindow.hpp"

#include <lv2/instance-access/instance-access.h>

#include <cstring>

namespace quovent::lv2 {

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if ((*f)->URI != nullptr && std::strcmp((*f)->URI, uri) == 0) {
            return (*f)->data;
        }
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Ui> Ui::create(LV2UI_Write_Function write, LV2UI_Controller controller,
                               LV2UI_Widget* widget, const LV2_Feature* const* features) {
    auto* instance = static_cast<Plugin*>(
        const_cast<void*>(feature(features, LV2_INSTANCE_ACCESS_URI)));  // NOLINT: the host's
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent)); // NOLINT
    const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
    if (instance == nullptr || parent == nullptr || widget == nullptr) {
        return nullptr;
    }
    if (resize != nullptr && resize->ui_resize == nullptr) {
        resize = nullptr;
    }
    std::unique_ptr<Ui> ui(new Ui(*instance, write, controller, resize));
    if (!ui->editor_.hasWindow() || !ui->editor_.open(parent) || ui->editor_.frame() == nullptr) {
        return nullptr;
    }
    const EditorRect rect = ui->editor_.getRect();
    ui->resizeWindow(rect.right - rect.left, rect.bottom - rect.top);
    *widget = reinterpret_cast<LV2UI_Widget>( // NOLINT: an X11 UI's widget is its window id
        ui->editor_.frame()->window().nativeHandle());
    return ui;
}

Ui::Ui(Plugin& plugin, LV2UI_Write_Function write, LV2UI_Controller controller,
       const LV2UI_Resize* resize)
    : instrument_(plugin.instrument()), write_(write), controller_(controller), resize_(resize),
      editor_(instrument_, *this) {
    instrument_.setListener(this);
}

Ui::~Ui() {
    instrument_.setListener(nullptr);
    editor_.close();
}

int Ui::idle() {
    editor_.idle();
    return 0;
}

float Ui::hostTempo() {
    return instrument_.hostTempo();
}

bool Ui::resizeWindow(int width, int height) {
    return resize_ != nullptr && resize_->ui_resize(resize_->handle, width, height) == 0;
}

void Ui::parameterEdited(ParameterId id, float value) {
    if (write_ == nullptr) {
        return;
    }
    const auto& table = ParameterTable::all();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id == id) {
            write_(controller_, PortLayout::kFirstParameter + static_cast<std::uint32_t>(i),
                   sizeof(float), 0, &value);
            return;
        }
    }
}

} // namespace quovent::lv2
