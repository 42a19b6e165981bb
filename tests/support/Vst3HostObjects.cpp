#include "tests/support/Vst3HostObjects.hpp"

#include <algorithm>
#include <cstring>

namespace quovent::test {

using namespace vst3;

// ---- Vst3MemoryStream ------------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3MemoryStream::read(void* buffer, int32 numBytes,
                                                 int32* numBytesRead) {
    if (numBytesRead != nullptr) {
        *numBytesRead = 0;
    }
    if (buffer == nullptr || numBytes < 0) {
        return kInvalidArgument;
    }
    if (failAfter >= 0 && transferred_ >= failAfter) {
        return kResultFalse;
    }
    const auto left = static_cast<std::int64_t>(bytes_.size()) - position_;
    if (errorAtEnd && left <= 0) {
        return kResultFalse;
    }
    const auto n = static_cast<int32>(
        std::max<std::int64_t>(0, std::min<std::int64_t>({left, numBytes, chunk})));
    if (n > 0) {
        std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
    }
    position_ += n;
    transferred_ += n;
    if (numBytesRead != nullptr) {
        *numBytesRead = n + overstate;
    }
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3MemoryStream::write(void* buffer, int32 numBytes,
                                                  int32* numBytesWritten) {
    if (numBytesWritten != nullptr) {
        *numBytesWritten = 0;
    }
    if (buffer == nullptr || numBytes < 0) {
        return kInvalidArgument;
    }
    if (failAfter >= 0 && transferred_ >= failAfter) {
        return kResultFalse;
    }
    const int32 n = std::min(numBytes, chunk);
    const auto end = static_cast<std::size_t>(position_) + static_cast<std::size_t>(n);
    if (bytes_.size() < end) {
        bytes_.resize(end);
    }
    std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(n));
    position_ += n;
    transferred_ += n;
    if (numBytesWritten != nullptr) {
        *numBytesWritten = n;
    }
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3MemoryStream::seek(int64 pos, int32 mode, int64* result) {
    if (!seekable) {
        return kNotImplemented;
    }
    std::int64_t base = 0;
    if (mode == IBStream::kIBSeekCur) {
        base = position_;
    } else if (mode == IBStream::kIBSeekEnd) {
        base = static_cast<std::int64_t>(bytes_.size());
    } else if (mode != IBStream::kIBSeekSet) {
        return kInvalidArgument;
    }
    const std::int64_t target = base + pos;
    if (target < 0) {
        return kInvalidArgument;
    }
    position_ = target;
    if (result != nullptr) {
        *result = position_;
    }
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3MemoryStream::tell(int64* pos) {
    if (!seekable) {
        return kNotImplemented;
    }
    if (pos == nullptr) {
        return kInvalidArgument;
    }
    *pos = position_;
    return kResultOk;
}

// ---- Vst3EventList ---------------------------------------------------------------------------

Event Vst3EventList::noteOn(int sampleOffset, int channel, int pitch, float velocity) {
    Event e{};
    e.sampleOffset = sampleOffset;
    e.type = Event::kNoteOnEvent;
    e.noteOn.channel = static_cast<int16>(channel);
    e.noteOn.pitch = static_cast<int16>(pitch);
    e.noteOn.velocity = velocity;
    e.noteOn.noteId = -1;
    return e;
}

Event Vst3EventList::noteOff(int sampleOffset, int channel, int pitch, float velocity) {
    Event e{};
    e.sampleOffset = sampleOffset;
    e.type = Event::kNoteOffEvent;
    e.noteOff.channel = static_cast<int16>(channel);
    e.noteOff.pitch = static_cast<int16>(pitch);
    e.noteOff.velocity = velocity;
    e.noteOff.noteId = -1;
    return e;
}

int32 QUOVENT_VST3_CALL Vst3EventList::getEventCount() {
    return claimedCount >= 0 ? claimedCount : static_cast<int32>(events_.size());
}

tresult QUOVENT_VST3_CALL Vst3EventList::getEvent(int32 index, Event* e) {
    if (e == nullptr || index < 0 || static_cast<std::size_t>(index) >= events_.size()) {
        return kInvalidArgument;
    }
    *e = events_[static_cast<std::size_t>(index)];
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3EventList::addEvent(Event* e) {
    if (e == nullptr) {
        return kInvalidArgument;
    }
    events_.push_back(*e);
    return kResultOk;
}

// ---- Vst3ParamValueQueue / Vst3ParameterChanges ----------------------------------------------

int32 QUOVENT_VST3_CALL Vst3ParamValueQueue::getPointCount() {
    return static_cast<int32>(points_.size());
}

tresult QUOVENT_VST3_CALL Vst3ParamValueQueue::getPoint(int32 index, int32* sampleOffset,
                                                        ParamValue* value) {
    if (sampleOffset == nullptr || value == nullptr || index < 0 ||
        static_cast<std::size_t>(index) >= points_.size()) {
        return kInvalidArgument;
    }
    *sampleOffset = points_[static_cast<std::size_t>(index)].offset;
    *value = points_[static_cast<std::size_t>(index)].value;
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value,
                                                        int32* index) {
    points_.push_back({sampleOffset, value});
    if (index != nullptr) {
        *index = static_cast<int32>(points_.size() - 1);
    }
    return kResultOk;
}

void Vst3ParameterChanges::add(ParamID id, int sampleOffset, double normalized) {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(&id, &index);
    queue->addPoint(sampleOffset, normalized, &index);
}

int32 QUOVENT_VST3_CALL Vst3ParameterChanges::getParameterCount() {
    return static_cast<int32>(queues_.size());
}

IParamValueQueue* QUOVENT_VST3_CALL Vst3ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || static_cast<std::size_t>(index) >= queues_.size()) {
        return nullptr;
    }
    return &queues_[static_cast<std::size_t>(index)];
}

IParamValueQueue* QUOVENT_VST3_CALL Vst3ParameterChanges::addParameterData(const ParamID* id,
                                                                           int32* index) {
    if (id == nullptr) {
        return nullptr;
    }
    for (std::size_t i = 0; i < queues_.size(); ++i) {
        if (queues_[i].getParameterId() == *id) {
            if (index != nullptr) {
                *index = static_cast<int32>(i);
            }
            return &queues_[i];
        }
    }
    queues_.emplace_back(*id);
    if (index != nullptr) {
        *index = static_cast<int32>(queues_.size() - 1);
    }
    return &queues_.back();
}

// ---- Vst3ComponentHandler --------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3ComponentHandler::beginEdit(ParamID id) {
    record({EditKind::Begin, id, 0.0});
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3ComponentHandler::performEdit(ParamID id,
                                                            ParamValue valueNormalized) {
    record({EditKind::Perform, id, valueNormalized});
    return kResultOk;
}

void Vst3ComponentHandler::record(const Edit& edit) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        edits_.push_back(edit);
    }
    if (onEdit_) {
        onEdit_();
    }
}

tresult QUOVENT_VST3_CALL Vst3ComponentHandler::endEdit(ParamID id) {
    record({EditKind::End, id, 0.0});
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3ComponentHandler::restartComponent(int32 flags) {
    const std::lock_guard<std::mutex> lock(mutex_);
    restarts_.push_back(flags);
    return kResultOk;
}

std::vector<Vst3ComponentHandler::Edit> Vst3ComponentHandler::edits() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return edits_;
}

int Vst3ComponentHandler::gestures(ParamID id) const {
    int complete = 0;
    bool open = false;
    for (const Edit& e : edits()) {
        if (e.id == id && e.kind == EditKind::Begin) {
            open = true;
        } else if (e.id == id && e.kind == EditKind::End && open) {
            open = false;
            ++complete;
        }
    }
    return complete;
}

int Vst3ComponentHandler::performs(ParamID id) const {
    const std::vector<Edit> all = edits();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [id](const Edit& e) {
        return e.id == id && e.kind == EditKind::Perform;
    }));
}

std::vector<int32> Vst3ComponentHandler::restarts() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return restarts_;
}

// ---- Vst3HostApplication ---------------------------------------------------------------------

tresult QUOVENT_VST3_CALL Vst3HostApplication::getName(String128 name) {
    if (name == nullptr) {
        return kInvalidArgument;
    }
    constexpr char16 kName[] = u"quovent test host";
    std::copy(std::begin(kName), std::end(kName), name);
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3HostApplication::createInstance(TUID /*cid*/, TUID /*interfaceId*/,
                                                              void** obj) {
    if (obj != nullptr) {
        *obj = nullptr;
    }
    return kNoInterface;
}

} // namespace quovent::test
