// The LV2 UI under a real X server: the host's window gets the editor as its one child,
// sized through ui:resize; the host's idle calls drive it; a click on a parameter's control
// reaches the host as a write of that control port; a host without instance-access or
// ui:parent gets no UI.
#include "formats/lv2/PortLayout.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include "tests/support/EditorWindowFixture.hpp"

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace quovent;
using namespace quovent::test;
using quovent::lv2::PortLayout;

namespace {

struct Writes {
    std::vector<std::pair<std::uint32_t, float>> values; // port, value
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t protocol, const void* buffer) {
        if (size == sizeof(float) && protocol == 0) {
            float v = 0.0f;
            std::memcpy(&v, buffer, sizeof v);
            static_cast<Writes*>(const_cast<void*>(controller))->values.emplace_back(port, v);
        }
    }
};

struct Resizes {
    int width = 0;
    int height = 0;
    static int resize(LV2UI_Feature_Handle handle, int width, int height) {
        auto* self = static_cast<Resizes*>(handle);
        self->width = width;
        self->height = height;
        return 0;
    }
};

class Lv2Ui : public EditorWindowFixture {
protected:
    void setUpEditor() override {
        openParent();
        instance = Lv2TestInstance::create(host);
        ASSERT_NE(instance, nullptr);
        instance->run(64);
        library = dlopen(QUOVENT_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        const auto entry =
            reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idle, nullptr);
        attach([this] { EXPECT_EQ(idle->idle(ui), 0); });
    }
    void tearDownEditor() override {
        if (ui != nullptr) {
            descriptor->cleanup(ui);
        }
        instance.reset();
        if (library != nullptr) {
            dlclose(library);
        }
    }

    LV2UI_Handle open(bool giveInstance, bool giveParent) {
        instanceAccess = {LV2_INSTANCE_ACCESS_URI, instance->handle()};
        parentFeature = {LV2_UI__parent, parentId()};
        resizeData = {&resizes, &Resizes::resize};
        resizeFeature = {LV2_UI__resize, &resizeData};
        std::vector<const LV2_Feature*> features{&resizeFeature};
        if (giveInstance) {
            features.push_back(&instanceAccess);
        }
        if (giveParent) {
            features.push_back(&parentFeature);
        }
        features.push_back(nullptr);
        widget = nullptr;
        return descriptor->instantiate(descriptor, Lv2TestHost::kPluginUri.data(), "",
                                       &Writes::write, &writes, &widget, features.data());
    }

    Lv2TestHost host;
    std::unique_ptr<Lv2TestInstance> instance;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    Writes writes;
    Resizes resizes;
    LV2UI_Resize resizeData{};
    LV2_Feature instanceAccess{};
    LV2_Feature parentFeature{};
    LV2_Feature resizeFeature{};
};

TEST_F(Lv2Ui, AHostWithoutInstanceAccessOrAParentWindowGetsNoUi) {
    EXPECT_EQ(open(false, true), nullptr);
    EXPECT_EQ(open(true, false), nullptr);
}

TEST_F(Lv2Ui, TheEditorEmbedsSizesItselfAndWritesItsEditsToTheControlPorts) {
    ui = open(true, true);
    ASSERT_NE(ui, nullptr);
    const auto frame = reinterpret_cast<Window>(widget); // NOLINT: an X11 UI's widget is its id
    ASSERT_EQ(editorWindows(), std::vector<Window>{frame});
    EXPECT_GT(resizes.width, 600);
    EXPECT_GT(resizes.height, 500);

    input.pump(5);
    heldClick({29 + 353, 80 + 22}); // slot 1's mute toggle (342..364, 11..33 of row 1 at 29, 80)
    input.pump(5);
    const std::uint32_t mutePort = instance->portIndex("slot1_mute");
    ASSERT_FALSE(writes.values.empty()) << "no control port write";
    EXPECT_EQ(writes.values.back(), (std::pair<std::uint32_t, float>{mutePort, 1.0f}));
    EXPECT_GE(mutePort, PortLayout::kFirstParameter);
}

} // namespace
