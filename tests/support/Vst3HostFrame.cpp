#include "tests/support/Vst3HostFrame.hpp"

namespace quovent::test {

using namespace vst3;

tresult QUOVENT_VST3_CALL Vst3HostFrame::queryInterface(const TUID id, void** obj) {
    if (obj != nullptr && runLoop_ != nullptr && sameUid(id, Linux::IRunLoop::iid)) {
        runLoop_->addRef();
        *obj = runLoop_;
        return kResultOk;
    }
    return Vst3HostObject<IPlugFrame>::queryInterface(id, obj);
}

tresult QUOVENT_VST3_CALL Vst3HostFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (view == nullptr || newSize == nullptr) {
        return kInvalidArgument;
    }
    const Size size{newSize->right - newSize->left, newSize->bottom - newSize->top};
    resizes_.push_back(size);
    if (resize_ && !resize_(size)) {
        return kResultFalse;
    }
    // As hosts do: the window has its new size, then the view is told.
    return view->onSize(newSize) == kResultOk ? kResultTrue : kResultFalse;
}

} // namespace quovent::test
