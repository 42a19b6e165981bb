// The objects a VST 3 host hands to a plug-in, for tests: a memory byte stream (with faults on
// request), a block's event list and parameter changes, a component handler that records
// the edits it is told of, and the host application object passed to initialize.
//
// Each is owned by the test, not by its reference count: release never deletes, and the
// count is kept so that a test can see the plug-in gives back every reference it took.
//
// Threads: the event list, parameter changes and stream belong to the thread that uses them;
// the component handler records from any thread.
#pragma once

#include "formats/vst3/Vst3AbiController.hpp"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quovent::test {

// FUnknown for a host object answering one interface besides FUnknown.
template <typename Interface> class Vst3HostObject : public Interface {
public:
    vst3::tresult QUOVENT_VST3_CALL queryInterface(const vst3::TUID id, void** obj) override {
        if (obj == nullptr) {
            return vst3::kInvalidArgument;
        }
        if (vst3::sameUid(id, vst3::FUnknown::iid) || vst3::sameUid(id, Interface::iid)) {
            addRef();
            *obj = static_cast<Interface*>(this);
            return vst3::kResultOk;
        }
        *obj = nullptr;
        return vst3::kNoInterface;
    }
    vst3::uint32 QUOVENT_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 QUOVENT_VST3_CALL release() override { return --references_; }

    // References the plug-in holds (the test's own is not counted).
    vst3::uint32 references() const noexcept { return references_.load(); }

private:
    std::atomic<vst3::uint32> references_{0};
};

class Vst3MemoryStream final : public Vst3HostObject<vst3::IBStream> {
public:
    Vst3MemoryStream() = default;
    explicit Vst3MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    vst3::tresult QUOVENT_VST3_CALL read(void* buffer, vst3::int32 numBytes,
                                         vst3::int32* numBytesRead) override;
    vst3::tresult QUOVENT_VST3_CALL write(void* buffer, vst3::int32 numBytes,
                                          vst3::int32* numBytesWritten) override;
    vst3::tresult QUOVENT_VST3_CALL seek(vst3::int64 pos, vst3::int32 mode,
                                         vst3::int64* result) override;
    vst3::tresult QUOVENT_VST3_CALL tell(vst3::int64* pos) override;

    const std::string& bytes() const noexcept { return bytes_; }
    std::int64_t position() const noexcept { return position_; }

    // Faults: after this many bytes read or written in all, every call fails (-1: never).
    std::int64_t failAfter = -1;
    // At most this many bytes per read or write call (a short read or write).
    vst3::int32 chunk = INT32_MAX;
    // Reads answer this many bytes more than they copied (a lying stream).
    vst3::int32 overstate = 0;
    // false: seek and tell answer an error (a stream that cannot say its length).
    bool seekable = true;
    // A read at the end answers an error instead of no bytes.
    bool errorAtEnd = false;

private:
    std::string bytes_;
    std::int64_t position_ = 0;
    std::int64_t transferred_ = 0;
};

class Vst3EventList final : public Vst3HostObject<vst3::IEventList> {
public:
    // velocity 0..1; channel 0..15.
    static vst3::Event noteOn(int sampleOffset, int channel, int pitch, float velocity);
    static vst3::Event noteOff(int sampleOffset, int channel, int pitch, float velocity = 0.0f);

    void add(const vst3::Event& event) { events_.push_back(event); }
    void clear() { events_.clear(); }

    vst3::int32 QUOVENT_VST3_CALL getEventCount() override;
    vst3::tresult QUOVENT_VST3_CALL getEvent(vst3::int32 index, vst3::Event* e) override;
    vst3::tresult QUOVENT_VST3_CALL addEvent(vst3::Event* e) override;

    // Answered by getEventCount instead of the real count (a lying host); -1: the real one.
    vst3::int32 claimedCount = -1;

private:
    std::vector<vst3::Event> events_;
};

class Vst3ParamValueQueue final : public Vst3HostObject<vst3::IParamValueQueue> {
public:
    explicit Vst3ParamValueQueue(vst3::ParamID id) : id_(id) {}

    vst3::ParamID QUOVENT_VST3_CALL getParameterId() override { return id_; }
    vst3::int32 QUOVENT_VST3_CALL getPointCount() override;
    vst3::tresult QUOVENT_VST3_CALL getPoint(vst3::int32 index, vst3::int32* sampleOffset,
                                             vst3::ParamValue* value) override;
    vst3::tresult QUOVENT_VST3_CALL addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                                             vst3::int32* index) override;

private:
    struct Point {
        vst3::int32 offset;
        vst3::ParamValue value;
    };
    vst3::ParamID id_;
    std::vector<Point> points_;
};

class Vst3ParameterChanges final : public Vst3HostObject<vst3::IParameterChanges> {
public:
    // Adds a point to the parameter's queue (made on first use).
    void add(vst3::ParamID id, int sampleOffset, double normalized);
    void clear() { queues_.clear(); }

    vst3::int32 QUOVENT_VST3_CALL getParameterCount() override;
    vst3::IParamValueQueue* QUOVENT_VST3_CALL getParameterData(vst3::int32 index) override;
    vst3::IParamValueQueue* QUOVENT_VST3_CALL addParameterData(const vst3::ParamID* id,
                                                               vst3::int32* index) override;

private:
    std::deque<Vst3ParamValueQueue> queues_; // a deque: queues never move
};

class Vst3ComponentHandler final : public Vst3HostObject<vst3::IComponentHandler> {
public:
    enum class EditKind { Begin, Perform, End };
    struct Edit {
        EditKind kind;
        vst3::ParamID id;
        double value; // Perform only
    };

    vst3::tresult QUOVENT_VST3_CALL beginEdit(vst3::ParamID id) override;
    vst3::tresult QUOVENT_VST3_CALL performEdit(vst3::ParamID id,
                                                vst3::ParamValue valueNormalized) override;
    vst3::tresult QUOVENT_VST3_CALL endEdit(vst3::ParamID id) override;
    vst3::tresult QUOVENT_VST3_CALL restartComponent(vst3::int32 flags) override;

    std::vector<Edit> edits() const;
    // Whole gestures (a begin, then its end) for a parameter, and the values performed for it.
    int gestures(vst3::ParamID id) const;
    int performs(vst3::ParamID id) const;
    std::vector<vst3::int32> restarts() const;
    // Called after each edit is recorded, on the caller's thread: a GUI test plays its
    // pointer script from here while a control of the editor tracks a drag in a loop of its
    // own (a VST 3 host hears nothing else from inside that loop). Set before edits come.
    void onEdit(std::function<void()> call) { onEdit_ = std::move(call); }

private:
    void record(const Edit& edit);

    std::function<void()> onEdit_;
    mutable std::mutex mutex_;
    std::vector<Edit> edits_;
    std::vector<vst3::int32> restarts_;
};

class Vst3HostApplication final : public Vst3HostObject<vst3::IHostApplication> {
public:
    vst3::tresult QUOVENT_VST3_CALL getName(vst3::String128 name) override;
    // The host makes no objects for the plug-in.
    vst3::tresult QUOVENT_VST3_CALL createInstance(vst3::TUID cid, vst3::TUID interfaceId,
                                                   void** obj) override;
};

} // namespace quovent::test
