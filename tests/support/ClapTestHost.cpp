#include "tests/support/ClapTestHost.hpp"

#if !defined(_WIN32)
#include <poll.h>
#endif

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace quovent::test {

namespace {

thread_local bool inProcess = false; // the host's thread check: who is inside process()

ClapTestHost& hostOf(const clap::Host* host) {
    return *static_cast<ClapTestHost*>(host->host_data);
}

clap::EventHeader header(std::uint32_t size, std::uint32_t time, std::uint16_t type) {
    return {size, time, clap::kCoreEventSpace, type, 0};
}

// A memory stream following its plan; `at` counts the bytes moved.
struct MemoryStream {
    std::string bytes;
    std::size_t at = 0;
    ClapStreamPlan plan;

    // How many bytes the next call moves (of `available`): -1 for an error.
    std::int64_t move(std::uint64_t asked, std::size_t available) {
        if (at >= plan.failAt) {
            return -1;
        }
        const auto n = static_cast<std::size_t>(
            std::min<std::uint64_t>({asked, plan.chunk, plan.failAt - at, available}));
        at += n;
        return static_cast<std::int64_t>(n);
    }
};

std::int64_t QUOVENT_CLAP_CALL readStream(const clap::IStream* stream, void* buffer,
                                          std::uint64_t size) {
    auto& s = *static_cast<MemoryStream*>(stream->ctx);
    const std::size_t from = s.at;
    const std::int64_t n = s.move(size, s.bytes.size() - s.at);
    if (n > 0) {
        std::memcpy(buffer, s.bytes.data() + from, static_cast<std::size_t>(n));
    }
    return s.plan.overstates && n >= 0 ? static_cast<std::int64_t>(size) + 1 : n;
}

std::int64_t QUOVENT_CLAP_CALL writeStream(const clap::OStream* stream, const void* buffer,
                                           std::uint64_t size) {
    auto& s = *static_cast<MemoryStream*>(stream->ctx);
    const std::int64_t n = s.move(size, SIZE_MAX);
    if (n > 0) {
        s.bytes.append(static_cast<const char*>(buffer), static_cast<std::size_t>(n));
    }
    return n;
}

} // namespace

// ---- ClapLibrary -----------------------------------------------------------------------------

std::string ClapLibrary::path() {
    return QUOVENT_CLAP_PATH;
}

ClapLibrary::ClapLibrary(const std::string& path)
    : library_(std::make_unique<PluginLibrary>(path)) {
    entry_ = static_cast<const clap::PluginEntry*>(library_->symbol("clap_entry"));
    if (entry_ == nullptr || !entry_->init(path.c_str())) {
        throw std::runtime_error(path + ": no clap_entry, or its init refused");
    }
    factory_ = static_cast<const clap::PluginFactory*>(entry_->get_factory(clap::kPluginFactoryId));
    if (factory_ == nullptr) {
        entry_->deinit();
        throw std::runtime_error(path + ": no plug-in factory");
    }
}

ClapLibrary::~ClapLibrary() {
    entry_->deinit();
}

// ---- Event lists and buffers -----------------------------------------------------------------

ClapEventList::ClapEventList() {
    list_.ctx = this;
    list_.size = [](const clap::InputEvents* l) {
        return static_cast<std::uint32_t>(
            static_cast<const ClapEventList*>(l->ctx)->events_.size());
    };
    list_.get = [](const clap::InputEvents* l, std::uint32_t i) -> const clap::EventHeader* {
        const auto& events = static_cast<const ClapEventList*>(l->ctx)->events_;
        if (i >= events.size() || events[i].empty()) {
            return nullptr;
        }
        return reinterpret_cast<const clap::EventHeader*>(events[i].data());
    };
}

clap::EventNote ClapEventList::note(std::uint16_t type, std::uint32_t time, int channel, int key,
                                    double velocity, int port) {
    using I = std::int16_t;
    return {header(sizeof(clap::EventNote), time, type), -1, I(port), I(channel), I(key), velocity};
}

clap::EventMidi ClapEventList::midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                                    std::uint8_t data2) {
    return {header(sizeof(clap::EventMidi), time, clap::kEventMidi), 0, {status, data1, data2}};
}

clap::EventParamValue ClapEventList::param(std::uint32_t time, clap::Id id, double value) {
    using I = std::int16_t;
    return {header(sizeof(clap::EventParamValue), time, clap::kEventParamValue),
            id,
            nullptr,
            -1,
            -1,
            I(-1),
            I(-1),
            value};
}

void ClapEventList::addBytes(const void* bytes, std::size_t size) {
    std::vector<std::uint64_t> copy((size + 7) / 8 + 1, 0);
    std::memcpy(copy.data(), bytes, size);
    events_.push_back(std::move(copy));
}

ClapEventSink::ClapEventSink(std::size_t room) : room(room) {
    list_.ctx = this;
    list_.try_push = [](const clap::OutputEvents* l, const clap::EventHeader* e) {
        auto& sink = *static_cast<ClapEventSink*>(l->ctx);
        if (sink.pushed.size() >= sink.room) {
            return false;
        }
        // A value and a gesture both carry the parameter's id right after the header.
        const auto* v = reinterpret_cast<const clap::EventParamValue*>(e);
        const Pushed p{e->type, v->param_id, e->type == clap::kEventParamValue ? v->value : 0.0};
        sink.pushed.push_back(p);
        return true;
    };
}

ClapBuffers::ClapBuffers(int frames, float fill) : AudioBuffers(frames, fill) {
    for (std::size_t p = 0; p < ports_.size(); ++p) {
        ports_[p] = {outputs() + 2 * p, nullptr, 2, 0, 0};
    }
}

// ---- ClapTestHost ----------------------------------------------------------------------------

ClapTestHost::ClapTestHost(bool servesLoop) : servesLoop_(servesLoop) {
    const auto nothing = [](const clap::Host*) {};
    host_ = {clap::kVersion, this,    "quovent tests", "Halvden Labs", "", "1",
             extension,      nothing, nothing,         nothing};
}

const void* QUOVENT_CLAP_CALL ClapTestHost::extension(const clap::Host* host, const char* id) {
    static const clap::HostParams params{[](const clap::Host* h, std::uint32_t flags) {
                                             ++hostOf(h).rescans;
                                             hostOf(h).lastRescan = flags;
                                         },
                                         [](const clap::Host*, clap::Id, std::uint32_t) {},
                                         [](const clap::Host* h) { ++hostOf(h).flushRequests; }};
    static const clap::HostThreadCheck threads{[](const clap::Host*) { return !inProcess; },
                                               [](const clap::Host*) { return inProcess; }};
    static const clap::HostTimerSupport timers{
        [](const clap::Host* h, std::uint32_t ms, clap::Id* id) {
            auto& self = hostOf(h);
            *id = self.nextTimer_++;
            const std::chrono::milliseconds period(ms);
            self.timers.push_back({*id, period, std::chrono::steady_clock::now() + period});
            return true;
        },
        [](const clap::Host* h, clap::Id id) {
            return std::erase_if(hostOf(h).timers, [id](const Timer& t) { return t.id == id; }) ==
                   1;
        }};
    static const clap::HostPosixFdSupport descriptors{
        [](const clap::Host* h, int fd, std::uint32_t) {
            hostOf(h).descriptors.push_back(fd);
            return true;
        },
        [](const clap::Host*, int, std::uint32_t) { return true; },
        [](const clap::Host* h, int fd) { return std::erase(hostOf(h).descriptors, fd) == 1; }};
    static const clap::HostState state{[](const clap::Host* h) { ++hostOf(h).dirtyMarks; }};
    const std::string_view wanted = id != nullptr ? id : "";
    const bool loop = hostOf(host).servesLoop_;
    const std::pair<std::string_view, const void*> offered[] = {
        {clap::kExtParams, &params},
        {clap::kExtState, &state},
        {clap::kExtThreadCheck, &threads},
        {clap::kExtTimerSupport, loop ? &timers : nullptr},
        {clap::kExtPosixFdSupport, loop ? &descriptors : nullptr}};
    const auto* found = std::find_if(std::begin(offered), std::end(offered),
                                     [&](const auto& o) { return o.first == wanted; });
    return found != std::end(offered) ? found->second : nullptr;
}

void ClapTestHost::turn(std::chrono::milliseconds wait) {
#if !defined(_WIN32)
    std::vector<pollfd> fds;
    for (const int fd : descriptors) {
        fds.push_back({fd, POLLIN, 0});
    }
    poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    const auto* fdSupport = static_cast<const clap::PluginPosixFdSupport*>(
        served_->get_extension(served_, clap::kExtPosixFdSupport));
    for (const pollfd& p : fds) {
        if ((p.revents & POLLIN) != 0 &&
            std::count(descriptors.begin(), descriptors.end(), p.fd) != 0) {
            ++descriptorCalls;
            fdSupport->on_fd(served_, p.fd, clap::kPosixFdRead);
        }
    }
    const auto* timerSupport = static_cast<const clap::PluginTimerSupport*>(
        served_->get_extension(served_, clap::kExtTimerSupport));
    const auto now = std::chrono::steady_clock::now();
    for (const Timer t : std::vector<Timer>(timers)) { // the plug-in may change them meanwhile
        auto live = std::find_if(timers.begin(), timers.end(),
                                 [&](const Timer& x) { return x.id == t.id; });
        if (live != timers.end() && live->due <= now) {
            live->due = now + live->period;
            ++timerCalls;
            timerSupport->on_timer(served_, t.id);
        }
    }
#else
    (void)wait;
#endif
}

ClapAudioThread::ClapAudioThread() {
    inProcess = true;
}

ClapAudioThread::~ClapAudioThread() {
    inProcess = false;
}

// ---- ClapInstance ----------------------------------------------------------------------------

ClapInstance::ClapInstance(ClapLibrary& library, ClapTestHost& host, double rate,
                           std::uint32_t maxBlock) {
    plugin_ = library.factory().create_plugin(
        &library.factory(), host.record(),
        library.factory().get_plugin_descriptor(&library.factory(), 0)->id);
    if (plugin_ == nullptr || !plugin_->init(plugin_)) {
        throw std::runtime_error("the CLAP plug-in could not be created");
    }
    host.serve(plugin_);
    active_ = plugin_->activate(plugin_, rate, 1, maxBlock) && plugin_->start_processing(plugin_);
    if (!active_) {
        plugin_->destroy(plugin_);
        throw std::runtime_error("the CLAP plug-in refused to activate");
    }
}

ClapInstance::~ClapInstance() {
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    plugin_->destroy(plugin_);
}

clap::ProcessStatus ClapInstance::process(ClapBuffers& out, const ClapEventList* in,
                                          ClapEventSink* sink, double tempo) {
    const ClapEventList none;
    ClapEventSink discard;
    clap::EventTransport transport{};
    transport.header = header(sizeof(transport), 0, clap::kEventTransport);
    transport.flags = clap::kTransportHasTempo | clap::kTransportIsPlaying;
    transport.tempo = tempo;
    const auto frames = static_cast<std::uint32_t>(out.frames());
    const clap::EventTransport* timing = tempo > 0.0 ? &transport : nullptr;
    const clap::InputEvents* inList = (in != nullptr ? in : &none)->list();
    const clap::OutputEvents* outList = (sink != nullptr ? sink : &discard)->list();
    const clap::Process block{-1, frames, timing, nullptr, out.ports(), 0, 6, inList, outList};
    const ClapAudioThread audio;
    return plugin_->process(plugin_, &block);
}

std::optional<std::string> ClapInstance::save(ClapStreamPlan plan) {
    MemoryStream memory{{}, 0, plan};
    const clap::OStream stream{&memory, writeStream};
    const auto* state = extension<clap::PluginState>(clap::kExtState);
    if (!state->save(plugin_, &stream)) {
        return std::nullopt;
    }
    return memory.bytes;
}

bool ClapInstance::load(std::string_view bytes, ClapStreamPlan plan) {
    MemoryStream memory{std::string(bytes), 0, plan};
    const clap::IStream stream{&memory, readStream};
    return extension<clap::PluginState>(clap::kExtState)->load(plugin_, &stream);
}

} // namespace quovent::test
