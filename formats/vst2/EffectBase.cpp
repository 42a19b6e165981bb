#include "formats/vst2/EffectBase.hpp"

#include "editor/EditorBase.hpp"

#include <cmath>

namespace quovent {

namespace {
constexpr float kVuScale = 32767.0f;
} // namespace

EffectBase::EffectBase(vst::HostCallback hostCallback, std::int32_t numPrograms,
                       std::int32_t numParams)
    : numPrograms_(numPrograms), numParams_(numParams), hostCallback_(hostCallback) {
    effect_.magic = vst::kEffectMagic;
    effect_.dispatcher = &dispatchEntry;
    effect_.process = &processEntry;
    effect_.setParameter = &setParameterEntry;
    effect_.getParameter = &getParameterEntry;
    effect_.numPrograms = numPrograms;
    effect_.numParams = numParams;
    effect_.numInputs = kDefaultInputs;
    effect_.numOutputs = kDefaultOutputs;
    effect_.ioRatio = 1.0f;
    effect_.object = this;
    effect_.uniqueID = kDefaultUniqueId;
    effect_.version = 1;
    effect_.processReplacing = &processReplacingEntry;
}

EffectBase::~EffectBase() = default;

EffectBase* EffectBase::fromEffect(vst::AEffect* effect) noexcept {
    if (effect == nullptr || effect->magic != vst::kEffectMagic) {
        return nullptr;
    }
    return static_cast<EffectBase*>(effect->object);
}

// ---- Static entries: the host's calls arrive here ------------------------------------------

std::intptr_t EffectBase::dispatchEntry(vst::AEffect* effect, std::int32_t opcode,
                                        std::int32_t index, std::intptr_t value, void* ptr,
                                        float opt) {
    EffectBase* const self = fromEffect(effect);
    if (self == nullptr) {
        return 0;
    }
    // Nothing may cross the boundary as an exception: a failed request answers 0.
    std::intptr_t answer = 0;
    try {
        answer = self->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        answer = 0;
    }
    if (opcode == vst::effClose) {
        delete self; // the record goes with it; the host must not use it again
        return 1;
    }
    return answer;
}

void EffectBase::processEntry(vst::AEffect* effect, float** inputs, float** outputs,
                              std::int32_t sampleFrames) {
    if (EffectBase* const self = fromEffect(effect)) {
        self->process(inputs, outputs, sampleFrames);
    }
}

void EffectBase::processReplacingEntry(vst::AEffect* effect, float** inputs, float** outputs,
                                       std::int32_t sampleFrames) {
    if (EffectBase* const self = fromEffect(effect)) {
        self->processReplacing(inputs, outputs, sampleFrames);
    }
}

void EffectBase::setParameterEntry(vst::AEffect* effect, std::int32_t index, float value) {
    if (EffectBase* const self = fromEffect(effect)) {
        self->setParameter(index, value);
    }
}

float EffectBase::getParameterEntry(vst::AEffect* effect, std::int32_t index) {
    EffectBase* const self = fromEffect(effect);
    return self != nullptr ? self->getParameter(index) : 0.0f;
}

// ---- Dispatcher, basic opcodes 0..24 --------------------------------------------------------

std::intptr_t EffectBase::dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                     void* ptr, float opt) {
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effOpen:
        open();
        return 0;
    case vst::effClose:
        close();
        return 0;
    case vst::effSetProgram:
        if (value >= 0 && value < numPrograms_) {
            setProgram(static_cast<std::int32_t>(value));
        }
        return 0;
    case vst::effGetProgram:
        return getProgram();
    case vst::effSetProgramName:
        if (text != nullptr) {
            setProgramName(text);
        }
        return 0;
    case vst::effGetProgramName:
        if (text != nullptr) {
            getProgramName(text);
        }
        return 0;
    case vst::effGetParamLabel:
        if (text != nullptr) {
            getParameterLabel(index, text);
        }
        return 0;
    case vst::effGetParamDisplay:
        if (text != nullptr) {
            getParameterDisplay(index, text);
        }
        return 0;
    case vst::effGetParamName:
        if (text != nullptr) {
            getParameterName(index, text);
        }
        return 0;
    case vst::effGetVu:
        return static_cast<std::intptr_t>(getVu() * kVuScale);
    case vst::effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case vst::effSetBlockSize:
        setBlockSize(static_cast<std::int32_t>(value));
        return 0;
    case vst::effMainsChanged:
        if (value != 0) {
            resume();
        } else {
            suspend();
        }
        return 0;
    case vst::effEditGetRect:
    case vst::effEditOpen:
    case vst::effEditClose:
    case vst::effEditIdle:
        return editorOpcode(opcode, ptr);
    case vst::effIdentify:
        return kIdentify;
    case vst::effGetChunk:
        return getChunk(static_cast<void**>(ptr), index != 0);
    case vst::effSetChunk:
        return setChunk(ptr, value, index != 0);
    default:
        // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and anything unknown.
        return 0;
    }
}

EditorBase* EffectBase::hostVisibleEditor() const noexcept {
    return editor_ != nullptr && editor_->hasWindow() ? editor_.get() : nullptr;
}

std::intptr_t EffectBase::editorOpcode(std::int32_t opcode, void* ptr) {
    if (hostVisibleEditor() == nullptr) {
        return 0;
    }
    switch (opcode) {
    case vst::effEditGetRect: {
        // ptr is an ERect**: the host keeps the pointer to our rectangle. Answering 1 is what
        // hosts take as success (some treat 0 as a failed request).
        const EditorRect r = editor_->getRect();
        editRect_ = vst::ERect{r.top, r.left, r.bottom, r.right};
        if (ptr != nullptr) {
            *static_cast<vst::ERect**>(ptr) = &editRect_;
        }
        return 1;
    }
    case vst::effEditOpen:
        return editor_->open(ptr) ? 1 : 0;
    case vst::effEditClose:
        editor_->close();
        return 0;
    case vst::effEditIdle:
        editor_->idle();
        return 0;
    default:
        return 0;
    }
}

// ---- Default operations ----------------------------------------------------------------------

void EffectBase::setParameter(std::int32_t /*index*/, float /*value*/) noexcept {}

float EffectBase::getParameter(std::int32_t /*index*/) noexcept {
    return 0.0f;
}

void EffectBase::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float** /*inputs*/, float** /*outputs*/,
                                  std::int32_t /*sampleFrames*/) noexcept {}

bool EffectBase::isUsableSampleRate(float rate) noexcept {
    return rate > 0.0f && std::isfinite(rate);
}

void EffectBase::setSampleRate(float rate) {
    if (isUsableSampleRate(rate)) {
        sampleRate_ = rate;
    }
}

void EffectBase::getProgramName(char* name) {
    name[0] = '\0';
}

void EffectBase::getParameterDisplay(std::int32_t /*index*/, char* text) {
    text[0] = '\0';
}

// ---- Host-callback wrappers ------------------------------------------------------------------

std::intptr_t EffectBase::callHost(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* ptr, float opt) noexcept {
    if (hostCallback_ == nullptr) {
        return 0;
    }
    return hostCallback_(&effect_, opcode, index, value, ptr, opt);
}

std::int32_t EffectBase::getMasterVersion() {
    const std::intptr_t version = callHost(vst::audioMasterVersion);
    return version != 0 ? static_cast<std::int32_t>(version) : 1;
}

std::int32_t EffectBase::getCurrentUniqueId() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterCurrentId));
}

void EffectBase::masterIdle() {
    callHost(vst::audioMasterIdle);
}

bool EffectBase::isInputConnected(std::int32_t input) {
    return callHost(vst::audioMasterPinConnected, input, 0) == 0;
}

bool EffectBase::isOutputConnected(std::int32_t output) {
    return callHost(vst::audioMasterPinConnected, output, 1) == 0;
}

// ---- Record and editor ------------------------------------------------------------------------

void EffectBase::setFlag(std::int32_t flag, bool state) noexcept {
    effect_.flags = state ? (effect_.flags | flag) : (effect_.flags & ~flag);
}

void EffectBase::setEditor(std::unique_ptr<EditorBase> editor) noexcept {
    editor_ = std::move(editor);
    setFlag(vst::effFlagsHasEditor, hostVisibleEditor() != nullptr);
}

void EffectBase::releaseEditor() noexcept {
    editor_.reset();
}

} // namespace quovent
