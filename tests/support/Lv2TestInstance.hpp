// One instance of the plug-in in the lilv test host, with every port connected to buffers of
// its own: the atom input (an AtomSequenceBuilder), the atom output, the audio outputs and a
// value per control port (its default to begin with). The host's side of the worker runs
// scheduled work either right after each block on the test's thread (AfterRun, what hosts do
// when rendering offline) or on a thread of its own (Thread); either way the plug-in's
// responses reach it after a block, as on a real audio thread. State is saved and restored
// through lilv.
//
// Test thread (which plays the audio thread), and the worker thread in Thread mode.
#pragma once

#include "tests/support/AtomSequenceBuilder.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quovent::test {

struct Lv2InstanceOptions {
    enum class Worker { AfterRun, Thread };
    Worker worker = Worker::AfterRun;
    // Features given at instantiation; a test leaves one out to see it refused.
    bool giveMap = true;
    bool giveWorker = true;
    bool giveLog = true;
    bool giveOptions = true;
    double sampleRate = 48000.0;
    std::uint32_t maxBlockLength = 4096;
    std::uint32_t atomBufferBytes = 32768; // each of the input and the output
};

// A patch:Set the plug-in wrote on its output.
struct PatchReply {
    std::string property; // URI
    std::string path;
    bool operator==(const PatchReply&) const = default;
};

// A state as the plug-in's state interface hands it to a host, key by key.
struct Lv2StateValue {
    std::string bytes;
    std::uint32_t type = 0;
};
using Lv2StateValues = std::map<std::uint32_t, Lv2StateValue>;

class Lv2TestInstance {
public:
    // Null when the plug-in refuses to be made with these features.
    static std::unique_ptr<Lv2TestInstance> create(Lv2TestHost& host,
                                                   const Lv2InstanceOptions& options = {});
    ~Lv2TestInstance();
    Lv2TestInstance(const Lv2TestInstance&) = delete;
    Lv2TestInstance& operator=(const Lv2TestInstance&) = delete;

    AtomSequenceBuilder& input() noexcept { return input_; }
    std::uint32_t portIndex(std::string_view symbol) const; // throws for an unknown symbol
    void setControl(std::string_view symbol, float value);
    float control(std::string_view symbol) const;
    // The value a control port reads, by port index.
    float& controlAt(std::uint32_t port) { return controls_.at(port); }
    // A host that splits a block, or feeds a sequence of its own, connects ports to buffers of
    // its own between runs; reconnect() gives every port the instance's buffer again.
    void connect(std::uint32_t port, void* data);
    void reconnect();

    // One block: runPlugin, the worker's turn, deliverResponses, collectOutput. frames is at
    // most the options' maxBlockLength.
    void run(std::uint32_t frames);
    // The parts of a block, for tests that watch the audio thread's share (runPlugin and
    // deliverResponses) alone.
    void runPlugin(std::uint32_t frames);
    void performWork();      // AfterRun: carries out what was scheduled; Thread: nothing
    void deliverResponses(); // the plug-in's work_response for each answer that came back
    void collectOutput();    // reads the output's replies and empties the input
    // Thread mode: waits (at most a few seconds) until every scheduled job was done.
    bool waitForWorker();

    std::vector<PatchReply> takeReplies();
    const std::vector<float>& output(int index) const;
    std::vector<float>& outputBuffer(int index);

    // How often the plug-in's schedule_work call was refused for want of room.
    int scheduleRefusals() const noexcept { return scheduleRefusals_; }

    LilvStatePtr saveState(const std::filesystem::path& folder);
    void restoreState(const LilvState& state);
    // Through the plug-in's state interface directly, as a host without lilv calls it.
    LV2_State_Status saveValues(Lv2StateValues& values);
    LV2_State_Status restoreValues(const Lv2StateValues& values);
    LV2_Handle handle() const { return lilv_instance_get_handle(instance_); }
    const LV2_Feature* const* features() const noexcept { return featureList_.data(); }

private:
    Lv2TestInstance(Lv2TestHost& host, const Lv2InstanceOptions& options);
    void connectPorts();
    void workerLoop();
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, std::uint32_t size,
                                      const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, std::uint32_t size,
                                     const void* data);
    static const void* portValue(const char* symbol, void* self, std::uint32_t* size,
                                 std::uint32_t* type);
    static void setPortValue(const char* symbol, void* self, const void* value, std::uint32_t size,
                             std::uint32_t type);
    static char* makePath(LV2_State_Make_Path_Handle handle, const char* path);
    const LV2_State_Interface* stateInterface() const;

    Lv2TestHost& host_;
    const Lv2InstanceOptions options_;
    LilvInstance* instance_ = nullptr;
    const LV2_Worker_Interface* worker_ = nullptr;

    AtomSequenceBuilder input_;
    std::vector<std::uint64_t> outputAtoms_;
    std::vector<std::vector<float>> audio_; // by port index; empty for other ports
    std::vector<float> controls_;           // by port index
    std::vector<void*> buffers_;            // what each port is connected to, by port index
    std::map<std::string, std::uint32_t, std::less<>> symbols_;
    std::vector<PatchReply> replies_;

    // Jobs and answers as [size][bytes] records in buffers reserved up front, so that the
    // plug-in's schedule call in run() never makes the host allocate.
    std::vector<std::uint8_t> jobs_;
    std::vector<std::uint8_t> answers_;
    std::vector<std::uint8_t> answersInDelivery_;
    int scheduleRefusals_ = 0;
    std::mutex workerMutex_; // Thread mode only
    std::condition_variable workerWake_;
    bool workerBusy_ = false;
    bool stopping_ = false;
    std::thread workerThread_;

    ScratchDirectory scratch_{"quovent-lv2-host"};
    LV2_URID chunkType_ = 0;
    std::int32_t maxBlock_ = 0;
    std::int32_t sequenceSize_ = 0;
    LV2_Worker_Schedule scheduleFeature_{};
    LV2_State_Make_Path makePathFeature_{};
    std::vector<LV2_Options_Option> optionList_;
    std::vector<LV2_Feature> featureStore_;
    std::vector<const LV2_Feature*> featureList_;
};

} // namespace quovent::test
