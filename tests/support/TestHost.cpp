#include "tests/support/TestHost.hpp"

#include "tests/support/EntryCalls.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>
#include <stdexcept>

namespace quovent::test {

namespace {
// The host whose entry call is under way: the plug-in may call back before the host has
// seen its record (the version question has no record at all).
thread_local TestHost* opening = nullptr;

constexpr std::size_t kTextBuffer = 256;
} // namespace

// ---- EventList -------------------------------------------------------------------------------

EventList::EventList(std::initializer_list<MidiMessage> messages) {
    for (const MidiMessage& m : messages) {
        add(m);
    }
}

void EventList::add(const MidiMessage& message) {
    auto event = std::make_unique<vst::VstMidiEvent>();
    event->type = vst::kVstMidiType;
    event->byteSize = sizeof(vst::VstMidiEvent);
    event->deltaFrames = message.deltaFrames;
    event->midiData[0] = static_cast<char>(message.status);
    event->midiData[1] = static_cast<char>(message.data1);
    event->midiData[2] = static_cast<char>(message.data2);
    pointers_.push_back(reinterpret_cast<vst::VstEvent*>(event.get()));
    midi_.push_back(std::move(event));
}

void EventList::addEvent(vst::VstEvent* event) {
    pointers_.push_back(event);
}

vst::VstEvents* EventList::events() {
    // The record is declared with two entries but hosts make it as long as the list.
    const std::size_t entries = std::max<std::size_t>(pointers_.size(), 2);
    const std::size_t bytes = offsetof(vst::VstEvents, events) + entries * sizeof(vst::VstEvent*);
    storage_.assign((bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t),
                    std::max_align_t{});
    auto* list = new (storage_.data()) vst::VstEvents{};
    list->numEvents = static_cast<std::int32_t>(pointers_.size());
    vst::VstEvent** out = list->events;
    for (std::size_t i = 0; i < pointers_.size(); ++i) {
        out[i] = pointers_[i];
    }
    return list;
}

// ---- AudioBuffers ----------------------------------------------------------------------------

// ---- TestHost --------------------------------------------------------------------------------

std::string TestHost::pluginPath() {
    return QUOVENT_PLUGIN_PATH;
}

TestHost::TestHost(const std::string& libraryPath) {
    answers.time.sampleRate = 44100.0;
    answers.time.tempo = 120.0;
    answers.time.timeSigNumerator = 4;
    answers.time.timeSigDenominator = 4;
    answers.time.flags = vst::kVstTempoValid;

    library_ = std::make_unique<PluginLibrary>(libraryPath);
    // Hosts look for VSTPluginMain first.
    entry_ = reinterpret_cast<vst::PluginEntryProc>(library_->symbol("VSTPluginMain"));
    if (entry_ == nullptr) {
        throw std::runtime_error(libraryPath + " has no VSTPluginMain");
    }
}

TestHost::~TestHost() {
    if (effect_ != nullptr) {
        close();
    }
}

void TestHost::setTempo(double bpm) {
    answers.timeInfo = true;
    answers.time.tempo = bpm;
    answers.time.flags |= vst::kVstTempoValid;
}

vst::AEffect* TestHost::adopt(vst::AEffect* effect) {
    effect_ = effect;
    if (effect_ != nullptr) {
        effect_->user = this; // the host's own field: how the callback finds this host
    }
    return effect_;
}

vst::AEffect* TestHost::open() {
    if (effect_ != nullptr) {
        close();
    }
    opening = this;
    vst::AEffect* const effect = EntryCalls::entry(entry_, &TestHost::callback);
    opening = nullptr;
    return adopt(effect);
}

vst::AEffect* TestHost::openWithoutCallback() {
    if (effect_ != nullptr) {
        close();
    }
    return adopt(EntryCalls::entry(entry_, nullptr));
}

void TestHost::prepare(float sampleRate, std::int32_t blockSize) {
    dispatch(vst::effOpen);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(vst::effSetBlockSize, 0, blockSize);
    dispatch(vst::effMainsChanged, 0, 1);
}

std::intptr_t TestHost::close() {
    if (effect_ == nullptr) {
        return 0;
    }
    vst::AEffect* const effect = effect_;
    effect_ = nullptr;
    return EntryCalls::dispatch(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

std::intptr_t TestHost::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                 void* ptr, float opt) {
    if (effect_ == nullptr) {
        throw std::logic_error("dispatch without an open instance");
    }
    if (opcode == vst::effClose) {
        return close();
    }
    return EntryCalls::dispatch(effect_, opcode, index, value, ptr, opt);
}

std::string TestHost::text(std::int32_t opcode, std::int32_t index, std::intptr_t value) {
    std::array<char, kTextBuffer> buffer{};
    dispatch(opcode, index, value, buffer.data());
    buffer.back() = '\0';
    return buffer.data();
}

void TestHost::setParameter(std::int32_t index, float value) {
    EntryCalls::setParameter(effect_, index, value);
}

float TestHost::getParameter(std::int32_t index) {
    return EntryCalls::getParameter(effect_, index);
}

std::string TestHost::getChunk(std::int32_t index) {
    void* data = nullptr;
    const std::intptr_t size = dispatch(vst::effGetChunk, index, 0, static_cast<void*>(&data));
    if (size <= 0 || data == nullptr) {
        return {};
    }
    return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

std::intptr_t TestHost::setChunk(const std::string& bytes, std::int32_t index) {
    const auto buffer = std::make_unique<char[]>(std::max<std::size_t>(bytes.size(), 1));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    return dispatch(vst::effSetChunk, index, static_cast<std::intptr_t>(bytes.size()),
                    buffer.get());
}

std::intptr_t TestHost::sendMidi(std::initializer_list<MidiMessage> messages) {
    EventList list(messages);
    return sendEvents(list);
}

std::intptr_t TestHost::sendEvents(EventList& events) {
    return dispatch(vst::effProcessEvents, 0, 0, events.events());
}

void TestHost::process(AudioBuffers& buffers) {
    EntryCalls::process(effect_->process, effect_, nullptr, buffers.outputs(), buffers.frames());
}

void TestHost::processReplacing(AudioBuffers& buffers) {
    EntryCalls::process(effect_->processReplacing, effect_, nullptr, buffers.outputs(),
                        buffers.frames());
}

// ---- The callback ------------------------------------------------------------------------------

std::intptr_t TestHost::callback(vst::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 std::intptr_t value, void* ptr, float opt) {
    TestHost* host = effect != nullptr ? static_cast<TestHost*>(effect->user) : nullptr;
    if (host == nullptr) {
        host = opening;
    }
    if (host == nullptr) {
        return 0; // a call from an instance no TestHost drives
    }
    HostCall call;
    call.hasEffect = effect != nullptr;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.ptr = ptr;
    call.opt = opt;
    if (opcode == vst::audioMasterCanDo && ptr != nullptr) {
        call.text = static_cast<const char*>(ptr);
    }
    if (host->answers.record) {
        const std::lock_guard<std::mutex> lock(host->mutex_);
        host->calls_.push_back(call);
    }
    return host->answer(call);
}

std::intptr_t TestHost::answer(const HostCall& call) {
    if (answers.custom) {
        if (const std::optional<std::intptr_t> a = answers.custom(call)) {
            return *a;
        }
    }
    switch (call.opcode) {
    case vst::audioMasterVersion:
        return answers.version;
    case vst::audioMasterGetTime:
        return answers.timeInfo ? reinterpret_cast<std::intptr_t>(&answers.time) : 0;
    case vst::audioMasterCanDo: {
        const auto found = answers.canDo.find(call.text);
        return found != answers.canDo.end() ? found->second : 0;
    }
    default:
        return 0;
    }
}

std::vector<HostCall> TestHost::calls() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<HostCall> TestHost::calls(std::int32_t opcode) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HostCall> matching;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(matching),
                 [opcode](const HostCall& c) { return c.opcode == opcode; });
    return matching;
}

std::size_t TestHost::count(std::int32_t opcode) const {
    return calls(opcode).size();
}

void TestHost::clearCalls() {
    const std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

} // namespace quovent::test
