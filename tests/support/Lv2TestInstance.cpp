#include "tests/support/Lv2TestInstance.hpp"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/log/log.h>
#include <lv2/patch/patch.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace quovent::test {

namespace {

// Room for the jobs of one block and the answers to them; a plug-in scheduling more in a
// block is told there is no space, as a host's full queue would.
constexpr std::size_t kQueueBytes = std::size_t{256} * 1024;

bool append(std::vector<std::uint8_t>& queue, std::uint32_t size, const void* data) {
    if (queue.size() + sizeof size + size > queue.capacity()) {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const auto* sizeBytes = reinterpret_cast<const std::uint8_t*>(&size);
    queue.insert(queue.end(), sizeBytes, sizeBytes + sizeof size);
    queue.insert(queue.end(), bytes, bytes + size);
    return true;
}

template <typename F> void forEachRecord(const std::vector<std::uint8_t>& queue, F&& f) {
    std::size_t at = 0;
    while (at + sizeof(std::uint32_t) <= queue.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, queue.data() + at, sizeof size);
        at += sizeof size;
        f(size, queue.data() + at);
        at += size;
    }
}

struct Node {
    LilvNode* node;
    explicit Node(LilvWorld* world, const char* uri) : node(lilv_new_uri(world, uri)) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
};

} // namespace

std::unique_ptr<Lv2TestInstance> Lv2TestInstance::create(Lv2TestHost& host,
                                                         const Lv2InstanceOptions& options) {
    std::unique_ptr<Lv2TestInstance> made(new Lv2TestInstance(host, options));
    return made->instance_ == nullptr ? nullptr : std::move(made);
}

Lv2TestInstance::Lv2TestInstance(Lv2TestHost& host, const Lv2InstanceOptions& options)
    : host_(host), options_(options), input_(host.urids().mapFeature(), options.atomBufferBytes),
      outputAtoms_((options.atomBufferBytes + 7) / 8, 0) {
    jobs_.reserve(kQueueBytes);
    answers_.reserve(kQueueBytes);
    answersInDelivery_.reserve(kQueueBytes);

    chunkType_ = host.urid(LV2_ATOM__Chunk); // mapped here: run() must not make the host map
    maxBlock_ = static_cast<std::int32_t>(options.maxBlockLength);
    sequenceSize_ = static_cast<std::int32_t>(options.atomBufferBytes);
    const LV2_URID atomInt = host.urid(LV2_ATOM__Int);
    optionList_ = {
        {LV2_OPTIONS_INSTANCE, 0, host.urid(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t),
         atomInt, &maxBlock_},
        {LV2_OPTIONS_INSTANCE, 0, host.urid(LV2_BUF_SIZE__sequenceSize), sizeof(std::int32_t),
         atomInt, &sequenceSize_},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    scheduleFeature_ = {this, &Lv2TestInstance::schedule};
    makePathFeature_ = {this, &Lv2TestInstance::makePath};
    if (options.giveMap) {
        featureStore_.push_back({LV2_URID__map, host.urids().mapFeature()});
        featureStore_.push_back({LV2_URID__unmap, host.urids().unmapFeature()});
    }
    if (options.giveWorker) {
        featureStore_.push_back({LV2_WORKER__schedule, &scheduleFeature_});
    }
    if (options.giveLog) {
        featureStore_.push_back({LV2_LOG__log, host.logFeature()});
    }
    if (options.giveOptions) {
        featureStore_.push_back({LV2_OPTIONS__options, optionList_.data()});
    }
    featureStore_.push_back({LV2_STATE__makePath, &makePathFeature_});
    for (const LV2_Feature& feature : featureStore_) {
        featureList_.push_back(&feature);
    }
    featureList_.push_back(nullptr);

    instance_ = lilv_plugin_instantiate(host.plugin(), options.sampleRate, featureList_.data());
    if (instance_ == nullptr) {
        return;
    }
    worker_ = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    connectPorts();
    if (options.worker == Lv2InstanceOptions::Worker::Thread) {
        workerThread_ = std::thread([this] { workerLoop(); });
    }
    lilv_instance_activate(instance_);
}

Lv2TestInstance::~Lv2TestInstance() {
    if (workerThread_.joinable()) {
        {
            const std::lock_guard<std::mutex> hold(workerMutex_);
            stopping_ = true;
        }
        workerWake_.notify_all();
        workerThread_.join();
    }
    if (instance_ != nullptr) {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
}

void Lv2TestInstance::connectPorts() {
    LilvWorld* world = host_.world();
    const LilvPlugin* plugin = host_.plugin();
    const Node audioPort(world, LV2_CORE__AudioPort);
    const Node controlPort(world, LV2_CORE__ControlPort);
    const Node atomPort(world, LV2_ATOM__AtomPort);
    const Node inputPort(world, LV2_CORE__InputPort);
    const std::uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> defaults(count, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    audio_.assign(count, {});
    controls_.assign(count, 0.0f);
    buffers_.assign(count, nullptr);
    for (std::uint32_t i = 0; i < count; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        symbols_.emplace(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), i);
        void* buffer = nullptr;
        if (lilv_port_is_a(plugin, port, audioPort.node)) {
            audio_[i].assign(options_.maxBlockLength, 0.0f);
            buffer = audio_[i].data();
        } else if (lilv_port_is_a(plugin, port, controlPort.node)) {
            controls_[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            buffer = &controls_[i];
        } else if (lilv_port_is_a(plugin, port, atomPort.node)) {
            buffer = lilv_port_is_a(plugin, port, inputPort.node)
                         ? static_cast<void*>(input_.data())
                         : static_cast<void*>(outputAtoms_.data());
        }
        buffers_[i] = buffer;
        lilv_instance_connect_port(instance_, i, buffer);
    }
}

void Lv2TestInstance::connect(std::uint32_t port, void* data) {
    lilv_instance_connect_port(instance_, port, data);
}

void Lv2TestInstance::reconnect() {
    for (std::uint32_t i = 0; i < buffers_.size(); ++i) {
        lilv_instance_connect_port(instance_, i, buffers_[i]);
    }
}

std::uint32_t Lv2TestInstance::portIndex(std::string_view symbol) const {
    const auto it = symbols_.find(symbol);
    if (it == symbols_.end()) {
        throw std::out_of_range("no port " + std::string(symbol));
    }
    return it->second;
}

void Lv2TestInstance::setControl(std::string_view symbol, float value) {
    controls_.at(portIndex(symbol)) = value;
}

float Lv2TestInstance::control(std::string_view symbol) const {
    return controls_.at(portIndex(symbol));
}

void Lv2TestInstance::run(std::uint32_t frames) {
    runPlugin(frames);
    performWork();
    deliverResponses();
    collectOutput();
}

void Lv2TestInstance::runPlugin(std::uint32_t frames) {
    auto* out = reinterpret_cast<LV2_Atom*>(outputAtoms_.data());
    out->size =
        static_cast<std::uint32_t>(outputAtoms_.size() * sizeof(std::uint64_t) - sizeof(LV2_Atom));
    out->type = chunkType_;
    lilv_instance_run(instance_,
                      frames > options_.maxBlockLength ? options_.maxBlockLength : frames);
}

void Lv2TestInstance::performWork() {
    if (options_.worker != Lv2InstanceOptions::Worker::AfterRun || worker_ == nullptr) {
        return;
    }
    const std::vector<std::uint8_t> jobs = jobs_;
    jobs_.clear();
    forEachRecord(jobs, [&](std::uint32_t size, const std::uint8_t* data) {
        worker_->work(handle(), &Lv2TestInstance::respond, this, size, data);
    });
}

void Lv2TestInstance::deliverResponses() {
    if (worker_ == nullptr) {
        return;
    }
    if (options_.worker == Lv2InstanceOptions::Worker::Thread) {
        const std::lock_guard<std::mutex> hold(workerMutex_);
        answersInDelivery_.swap(answers_);
    } else {
        answersInDelivery_.swap(answers_);
    }
    forEachRecord(answersInDelivery_, [&](std::uint32_t size, const std::uint8_t* data) {
        worker_->work_response(handle(), size, data);
    });
    if (!answersInDelivery_.empty() && worker_->end_run != nullptr) {
        worker_->end_run(handle());
    }
    answersInDelivery_.clear();
}

void Lv2TestInstance::collectOutput() {
    input_.clear();
    const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*>(outputAtoms_.data());
    const std::size_t capacity = outputAtoms_.size() * sizeof(std::uint64_t);
    if (sequence->atom.size == 0) {
        return; // the plug-in wrote nothing (no room for a sequence)
    }
    if (sequence->atom.type != host_.urid(LV2_ATOM__Sequence) ||
        sizeof(LV2_Atom) + sequence->atom.size > capacity) {
        throw std::runtime_error("the plug-in's output is not a sequence within its buffer");
    }
    const LV2_URID patchSet = host_.urid(LV2_PATCH__Set);
    const LV2_URID path = host_.urid(LV2_ATOM__Path);
    const LV2_URID urid = host_.urid(LV2_ATOM__URID);
    LV2_ATOM_SEQUENCE_FOREACH(sequence, event) {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        if (event->body.type != host_.urid(LV2_ATOM__Object) || object->body.otype != patchSet) {
            continue;
        }
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, host_.urid(LV2_PATCH__property), &property,
                            host_.urid(LV2_PATCH__value), &value, 0);
        if (property == nullptr || property->type != urid || value == nullptr ||
            value->type != path) {
            throw std::runtime_error("the plug-in wrote a patch:Set without property or path");
        }
        replies_.push_back(
            {host_.urids().unmap(reinterpret_cast<const LV2_Atom_URID*>(property)->body),
             static_cast<const char*>(LV2_ATOM_BODY_CONST(value))});
    }
}

bool Lv2TestInstance::waitForWorker() {
    std::unique_lock<std::mutex> hold(workerMutex_);
    return workerWake_.wait_for(hold, std::chrono::seconds(10),
                                [&] { return jobs_.empty() && !workerBusy_; });
}

void Lv2TestInstance::workerLoop() {
    std::unique_lock<std::mutex> hold(workerMutex_);
    while (true) {
        workerWake_.wait(hold, [&] { return stopping_ || !jobs_.empty(); });
        if (stopping_) {
            return;
        }
        const std::vector<std::uint8_t> jobs = jobs_;
        jobs_.clear();
        workerBusy_ = true;
        hold.unlock();
        forEachRecord(jobs, [&](std::uint32_t size, const std::uint8_t* data) {
            worker_->work(handle(), &Lv2TestInstance::respond, this, size, data);
        });
        hold.lock();
        workerBusy_ = false;
        workerWake_.notify_all();
    }
}

LV2_Worker_Status Lv2TestInstance::schedule(LV2_Worker_Schedule_Handle handle, std::uint32_t size,
                                            const void* data) {
    auto* self = static_cast<Lv2TestInstance*>(handle);
    if (self->options_.worker == Lv2InstanceOptions::Worker::Thread) {
        std::unique_lock<std::mutex> hold(self->workerMutex_);
        if (!append(self->jobs_, size, data)) {
            ++self->scheduleRefusals_;
            return LV2_WORKER_ERR_NO_SPACE;
        }
        hold.unlock();
        self->workerWake_.notify_all();
        return LV2_WORKER_SUCCESS;
    }
    if (!append(self->jobs_, size, data)) {
        ++self->scheduleRefusals_;
        return LV2_WORKER_ERR_NO_SPACE;
    }
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2TestInstance::respond(LV2_Worker_Respond_Handle handle, std::uint32_t size,
                                           const void* data) {
    auto* self = static_cast<Lv2TestInstance*>(handle);
    std::unique_lock<std::mutex> hold(self->workerMutex_, std::defer_lock);
    if (self->options_.worker == Lv2InstanceOptions::Worker::Thread) {
        hold.lock();
    }
    return append(self->answers_, size, data) ? LV2_WORKER_SUCCESS : LV2_WORKER_ERR_NO_SPACE;
}

std::vector<PatchReply> Lv2TestInstance::takeReplies() {
    std::vector<PatchReply> taken;
    taken.swap(replies_);
    return taken;
}

const std::vector<float>& Lv2TestInstance::output(int index) const {
    return audio_.at(portIndex("out" + std::to_string(index / 2 + 1) + (index % 2 ? "_r" : "_l")));
}

std::vector<float>& Lv2TestInstance::outputBuffer(int index) {
    return audio_.at(portIndex("out" + std::to_string(index / 2 + 1) + (index % 2 ? "_r" : "_l")));
}

const void* Lv2TestInstance::portValue(const char* symbol, void* self, std::uint32_t* size,
                                       std::uint32_t* type) {
    auto* instance = static_cast<Lv2TestInstance*>(self);
    const auto it = instance->symbols_.find(std::string_view(symbol));
    if (it == instance->symbols_.end() || !instance->audio_[it->second].empty()) {
        *size = 0;
        *type = 0;
        return nullptr;
    }
    *size = sizeof(float);
    *type = instance->host_.urid(LV2_ATOM__Float);
    return &instance->controls_[it->second];
}

void Lv2TestInstance::setPortValue(const char* symbol, void* self, const void* value,
                                   std::uint32_t size, std::uint32_t type) {
    auto* instance = static_cast<Lv2TestInstance*>(self);
    const auto it = instance->symbols_.find(std::string_view(symbol));
    if (it != instance->symbols_.end() && size == sizeof(float) &&
        type == instance->host_.urid(LV2_ATOM__Float)) {
        std::memcpy(&instance->controls_[it->second], value, sizeof(float));
    }
}

char* Lv2TestInstance::makePath(LV2_State_Make_Path_Handle handle, const char* path) {
    auto* self = static_cast<Lv2TestInstance*>(handle);
    const std::filesystem::path made = self->scratch_.path() / path;
    std::error_code ignored;
    std::filesystem::create_directories(made.parent_path(), ignored);
    return strdup(made.string().c_str());
}

LilvStatePtr Lv2TestInstance::saveState(const std::filesystem::path& folder) {
    const std::string save = folder.string();
    const std::string copy = (folder / "copies").string();
    const std::string link = (folder / "links").string();
    const std::string scratch = (scratch_.path() / "state-scratch").string();
    for (const std::string& dir : {copy, link, scratch}) {
        std::filesystem::create_directories(dir); // as a host makes its session's folders
    }
    return LilvStatePtr(lilv_state_new_from_instance(
        host_.plugin(), instance_, host_.urids().mapFeature(), scratch.c_str(), copy.c_str(),
        link.c_str(), save.c_str(), &Lv2TestInstance::portValue, this,
        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features()));
}

void Lv2TestInstance::restoreState(const LilvState& state) {
    lilv_state_restore(&state, instance_, &Lv2TestInstance::setPortValue, this, 0, features());
}

const LV2_State_Interface* Lv2TestInstance::stateInterface() const {
    return static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
}

LV2_State_Status Lv2TestInstance::saveValues(Lv2StateValues& values) {
    const auto store = [](LV2_State_Handle handle, std::uint32_t key, const void* value,
                          std::size_t size, std::uint32_t type, std::uint32_t) {
        (*static_cast<Lv2StateValues*>(handle))[key] = {
            std::string(static_cast<const char*>(value), size), type};
        return LV2_STATE_SUCCESS;
    };
    return stateInterface()->save(handle(), store, &values, LV2_STATE_IS_POD, features());
}

LV2_State_Status Lv2TestInstance::restoreValues(const Lv2StateValues& values) {
    const auto retrieve = [](LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                             std::uint32_t* type, std::uint32_t* flags) -> const void* {
        const auto& all = *static_cast<const Lv2StateValues*>(handle);
        const auto it = all.find(key);
        if (it == all.end()) {
            return nullptr;
        }
        *size = it->second.bytes.size();
        *type = it->second.type;
        *flags = LV2_STATE_IS_POD;
        return it->second.bytes.data();
    };
    return stateInterface()->restore(handle(), retrieve, const_cast<Lv2StateValues*>(&values),
                                     LV2_STATE_IS_POD, features());
}

} // namespace quovent::test
