// The in-process VST 2 host of the editor's GUI tests (see the header).
#include "formats/vst2/PluginMain.hpp"
#include "platform/UserSettings.hpp"
#include "widgets/DialogBackend.hpp"
#include "widgets/MenuWindow.hpp"

#include "tests/editor-gui/Vst2EditorFixture.hpp"

#include <cstdlib>

namespace quovent::test {

namespace {

constexpr int kHostVersion = 2400;
constexpr float kSampleRate = 44100.0f;
constexpr int kHostBlock = 512;

} // namespace

std::intptr_t QUOVENT_VSTCALL Vst2EditorFixture::callback(vst::AEffect* /*effect*/,
                                                          std::int32_t opcode, std::int32_t index,
                                                          std::intptr_t value, void* /*ptr*/,
                                                          float /*opt*/) {
    if (opcode == vst::audioMasterVersion) {
        return kHostVersion;
    }
    if (current == nullptr) {
        return 0;
    }
    switch (opcode) {
    case vst::audioMasterIdle:
        ++current->hostIdles;
        current->input.step();
        if (current->onHostIdle) {
            current->onHostIdle();
        }
        return 0;
    case vst::audioMasterGetTime:
        return reinterpret_cast<std::intptr_t>(&current->time);
    case vst::audioMasterSizeWindow:
        return current->sizeWindow({index, static_cast<int>(value)});
    default:
        return 0;
    }
}

void Vst2EditorFixture::setUpEditor() {
    current = this;
    // The zoom comes from the settings or the display alone.
    ::unsetenv("GDK_SCALE");
    ::unsetenv("QT_SCALE_FACTOR");
    dialogs::setDefaultBackend(DialogBackend::BuiltIn);
    time.tempo = 120.0;
    time.sampleRate = kSampleRate;
    time.flags = vst::kVstTempoValid;
    attach([this] { dispatch(vst::effEditIdle); });
}

void Vst2EditorFixture::tearDownEditor() {
    closeInstance();
    dialogs::setDefaultBackend(DialogBackend::Automatic);
    current = nullptr;
}

void Vst2EditorFixture::openInstance(int percent) {
    closeInstance();
    if (percent != 0) {
        ASSERT_TRUE(UserSettings::writeZoom(percent));
    }
    effect = pluginMain(&callback);
    ASSERT_NE(effect, nullptr);
    dispatch(vst::effOpen);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, kSampleRate);
    dispatch(vst::effSetBlockSize, 0, kHostBlock);
    dispatch(vst::effMainsChanged, 0, 1);
    plugin = static_cast<Vst2Plugin*>(EffectBase::fromEffect(effect));
    editor = plugin->sequencerEditor();
    ASSERT_NE(editor, nullptr);
    openParent(rectSize());
    openEditor();
}

void Vst2EditorFixture::closeInstance() {
    if (effect != nullptr) {
        input.releaseAll();
        dispatch(vst::effEditClose);
        dispatch(vst::effClose);
        effect = nullptr;
        plugin = nullptr;
        editor = nullptr;
    }
}

std::intptr_t Vst2EditorFixture::dispatch(std::int32_t opcode, std::int32_t index,
                                          std::intptr_t value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void Vst2EditorFixture::openEditor() {
    ASSERT_EQ(editOpen(), 1);
    input.pump(5);
}

EditorWindowFixture::Size Vst2EditorFixture::rectSize() {
    vst::ERect* r = nullptr;
    dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&r));
    return {r->right - r->left, r->bottom - r->top};
}

int Vst2EditorFixture::sizeWindow(Size asked) {
    sizeRequests.push_back(asked);
    if (!hostResizes || asked.width <= 0 || asked.height <= 0) {
        return 0;
    }
    resizeParent(asked);
    return 1;
}

XInput::Step Vst2EditorFixture::menuOpen() const {
    return [] { return MenuWindow::active() != nullptr; };
}

XInput::Step Vst2EditorFixture::clickItem(int index) {
    return [this, index] {
        input.clickOnScreen(scale().toPixels(centre(MenuWindow::active()->itemScreenRect(index))));
        return true;
    };
}

} // namespace quovent::test
