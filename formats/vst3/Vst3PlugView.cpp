#include "formats/vst3/Vst3PlugView.hpp"

#include "formats/vst3/Vst3Capacities.hpp"
#include "formats/vst3/Vst3Component.hpp"
#include "widgets/FrameWindow.hpp"

#include <cmath>
#include <cstring>

namespace quovent {

using namespace vst3;

namespace {

template <typename Interface> tresult answer(Interface* object, void** obj) {
    object->addRef();
    *obj = object;
    return kResultOk;
}

bool isType(FIDString type, const char* wanted) {
    return type != nullptr && std::strcmp(type, wanted) == 0;
}

Linux::IRunLoop* runLoopOf(FUnknown* object) {
    void* loop = nullptr;
    if (object == nullptr ||
        object->queryInterface(Linux::IRunLoop::iid.bytes, &loop) != kResultOk) {
        return nullptr;
    }
    return static_cast<Linux::IRunLoop*>(loop);
}

} // namespace

Vst3PlugView::Vst3PlugView(Vst3Component& component)
    : component_(component), editor_(component.instrument(), *this) {
    component_.addRef();
}

Vst3PlugView::~Vst3PlugView() {
    removed();
    component_.viewGone(this);
    component_.release();
}

// ---- FUnknown ------------------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3PlugView::queryInterface(const TUID id, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    if (sameUid(id, FUnknown::iid) || sameUid(id, IPlugView::iid)) {
        return answer(static_cast<IPlugView*>(this), obj);
    }
    if (sameUid(id, IPlugViewContentScaleSupport::iid)) {
        return answer(static_cast<IPlugViewContentScaleSupport*>(this), obj);
    }
    if (sameUid(id, Linux::ITimerHandler::iid)) {
        return answer(static_cast<Linux::ITimerHandler*>(this), obj);
    }
    if (sameUid(id, Linux::IEventHandler::iid)) {
        return answer(static_cast<Linux::IEventHandler*>(this), obj);
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 QUOVENT_VST3_CALL Vst3PlugView::addRef() {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32 QUOVENT_VST3_CALL Vst3PlugView::release() {
    const uint32 left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

// ---- IPlugView -----------------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3PlugView::isPlatformTypeSupported(FIDString type) {
    return isType(type, platformType()) ? kResultTrue : kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::attached(void* parent, FIDString type) {
    if (parent == nullptr || !isType(type, platformType())) {
        return kResultFalse;
    }
    removed(); // a second attach without removed moves the editor to the new parent
    if (needsRunLoop()) {
        runLoop_ = findRunLoop();
        if (runLoop_ == nullptr) {
            return kResultFalse; // nothing would ever serve the window
        }
    }
    if (!editor_.open(parent) || !startServing()) {
        removed();
        return kResultFalse;
    }
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::removed() {
    stopServing();
    editor_.close();
    if (runLoop_ != nullptr) {
        runLoop_->release();
        runLoop_ = nullptr;
    }
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::onWheel(float /*distance*/) {
    return kResultFalse; // the window takes the wheel from the window system itself
}

tresult QUOVENT_VST3_CALL Vst3PlugView::onKeyDown(char16 key, int16 /*keyCode*/, int16 modifiers) {
    if (modifiers != 0 || key == 0) {
        return kResultFalse;
    }
    KeyCode code;
    code.character = key;
    return editor_.onKeyDown(code) != 0 ? kResultTrue : kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::onKeyUp(char16 /*key*/, int16 /*keyCode*/,
                                                int16 /*modifiers*/) {
    return kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::getSize(ViewRect* size) {
    if (size == nullptr) {
        return kInvalidArgument;
    }
    *size = editorSize();
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::onSize(ViewRect* newSize) {
    // The window's size follows the zoom alone; the host's rectangle is taken as told.
    return newSize != nullptr ? kResultOk : kInvalidArgument;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::onFocus(TBool /*state*/) {
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::setFrame(IPlugFrame* frame) {
    frame_ = frame;
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::canResize() {
    return kResultFalse;
}

tresult QUOVENT_VST3_CALL Vst3PlugView::checkSizeConstraint(ViewRect* rect) {
    if (rect == nullptr) {
        return kInvalidArgument;
    }
    const ViewRect size = editorSize();
    rect->right = rect->left + size.right;
    rect->bottom = rect->top + size.bottom;
    return kResultTrue;
}

// ---- IPlugViewContentScaleSupport ----------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3PlugView::setContentScaleFactor(ScaleFactor factor) {
    if (!std::isfinite(factor) || factor < capacity::kVst3MinContentScale ||
        factor > capacity::kVst3MaxContentScale) {
        return kInvalidArgument;
    }
    addRef(); // the host may release the view while it is asked to resize
    editor_.setHostScale(factor);
    followConnection();
    release();
    return kResultOk;
}

// ---- Serving the window --------------------------------------------------------------------

void QUOVENT_VST3_CALL Vst3PlugView::onTimer() {
    tick();
}

void QUOVENT_VST3_CALL Vst3PlugView::onFDIsSet(Linux::FileDescriptor /*fd*/) {
    tick();
}

void Vst3PlugView::tick() {
    if (ticking_) {
        return; // a modal loop of ours inside the last tick serves the window meanwhile
    }
    addRef(); // the host may remove and release the view from inside one of our dialogs
    ticking_ = true;
    editor_.idle();
    ticking_ = false;
    followConnection();
    release();
}

bool Vst3PlugView::startServing() {
    if (runLoop_ == nullptr) {
        idleTimer_ =
            platform::startIdleTimer(capacity::kVst3ViewIdleMilliseconds, [this] { tick(); });
        return idleTimer_ != nullptr;
    }
    timerRegistered_ =
        runLoop_->registerTimer(this, capacity::kVst3ViewIdleMilliseconds) == kResultOk;
    if (!timerRegistered_) {
        return false;
    }
    followConnection();
    return true;
}

void Vst3PlugView::stopServing() {
    idleTimer_.reset();
    if (runLoop_ == nullptr) {
        return;
    }
    if (watchedFd_ >= 0) {
        runLoop_->unregisterEventHandler(this);
        watchedFd_ = -1;
    }
    if (timerRegistered_) {
        runLoop_->unregisterTimer(this);
        timerRegistered_ = false;
    }
}

void Vst3PlugView::followConnection() {
    if (runLoop_ == nullptr) {
        return;
    }
    const FrameWindow* frame = editor_.frame();
    const int fd = frame != nullptr ? frame->windowSystem().connectionFd() : -1;
    if (fd == watchedFd_) {
        return;
    }
    if (watchedFd_ >= 0) {
        runLoop_->unregisterEventHandler(this);
        watchedFd_ = -1;
    }
    if (fd >= 0 && runLoop_->registerEventHandler(this, fd) == kResultOk) {
        watchedFd_ = fd;
    }
}

Linux::IRunLoop* Vst3PlugView::findRunLoop() const {
    Linux::IRunLoop* loop = runLoopOf(frame_);
    return loop != nullptr ? loop : runLoopOf(component_.hostContext());
}

// ---- HostServices --------------------------------------------------------------------------

float Vst3PlugView::hostTempo() {
    return component_.tempo();
}

bool Vst3PlugView::resizeWindow(int width, int height) {
    if (frame_ == nullptr) {
        return false;
    }
    ViewRect rect{0, 0, width, height};
    return frame_->resizeView(this, &rect) == kResultTrue;
}

ViewRect Vst3PlugView::editorSize() const {
    const EditorRect r = editor_.getRect();
    return {0, 0, r.right - r.left, r.bottom - r.top};
}

} // namespace quovent
