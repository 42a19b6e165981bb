// A small VST 3 host for tests: loads the binary of a bundle (dlopen on Linux, LoadLibraryW on
// Windows), calls the module entry (ModuleEntry with the library's handle; InitDll) and
// GetPluginFactory as hosts do, and drives one instance of the factory's class: component,
// audio processor and edit controller, the process setup, blocks with events, parameter
// changes and a process context, the state through memory streams.
//
// Typical use:
//
//     quovent::test::Vst3Module module;                 // the bundle of this build
//     quovent::test::Vst3Instance plugin(module);       // created and initialized
//     ASSERT_EQ(plugin.setUp(48000.0, 512), kResultOk); // setup, active, processing
//     quovent::test::Vst3OutputBuffers out(512);
//     quovent::test::Vst3EventList events;
//     events.add(Vst3EventList::noteOn(0, 9, 36, 0.8f));
//     plugin.process(out, &events);
//
// Threads: one test thread drives the instance; process may be called from another.
#pragma once

#include "formats/vst3/Vst3AbiController.hpp"
#include "tests/support/PluginLibrary.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/Vst3HostObjects.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quovent::test {

class Vst3Module {
public:
    // The bundle built with this tree and its binary (UTF-8 paths).
    static std::string bundlePath();
    static std::string binaryPath();

    // Loads the binary, enters the module and takes the factory. Throws std::runtime_error
    // when the library cannot be loaded, has no factory entry or the entry refuses.
    explicit Vst3Module(const std::string& binary = binaryPath());
    // Releases the factory, exits the module and unloads the library.
    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    vst3::IPluginFactory* factory() const noexcept { return factory_; }
    // The factory's other interfaces (null when it has none); the module keeps the reference.
    vst3::IPluginFactory2* factory2();
    vst3::IPluginFactory3* factory3();
    const PluginLibrary& library() const noexcept { return *library_; }
    // What the module entry answered.
    bool entered() const noexcept { return entered_; }

    // The first class of the audio module category: its id.
    vst3::Uid audioModuleClass() const;

private:
    std::unique_ptr<PluginLibrary> library_;
    vst3::IPluginFactory* factory_ = nullptr;
    vst3::IPluginFactory2* factory2_ = nullptr;
    vst3::IPluginFactory3* factory3_ = nullptr;
    bool entered_ = false;
};

// The shared twelve channels as six stereo buses.
class Vst3OutputBuffers : public AudioBuffers {
public:
    static constexpr int kBuses = 6;

    explicit Vst3OutputBuffers(int frames, float fill = 0.0f);
    vst3::AudioBusBuffers* buses() noexcept { return buses_.data(); }

private:
    std::array<vst3::AudioBusBuffers, kBuses> buses_{};
};

class Vst3Instance {
public:
    // Creates the module's audio class (or the given one) as IComponent, initializes it with
    // the host application and finds its processor and controller. Throws when any is missing.
    explicit Vst3Instance(Vst3Module& module, std::optional<vst3::Uid> cid = std::nullopt);
    ~Vst3Instance();
    Vst3Instance(const Vst3Instance&) = delete;
    Vst3Instance& operator=(const Vst3Instance&) = delete;

    vst3::IComponent* component() const noexcept { return component_; }
    vst3::IAudioProcessor* processor() const noexcept { return processor_; }
    vst3::IEditController* controller() const noexcept { return controller_; }
    Vst3HostApplication& host() noexcept { return host_; }
    Vst3ComponentHandler& handler() noexcept { return handler_; }

    // setupProcessing (realtime, 32-bit), then setActive and setProcessing as hosts do; the
    // first answer that is not kResultOk.
    vst3::tresult setUp(double sampleRate, vst3::int32 maxBlock);
    // One block into all six buses; events, parameter changes and context may be null.
    vst3::tresult process(Vst3OutputBuffers& out, vst3::IEventList* events = nullptr,
                          vst3::IParameterChanges* changes = nullptr,
                          vst3::ProcessContext* context = nullptr);
    // A block with tempo (kTempoValid) in its context.
    vst3::tresult processAtTempo(Vst3OutputBuffers& out, double bpm,
                                 vst3::IEventList* events = nullptr);

    // The component's state through a fresh memory stream; nullopt when it refuses.
    std::optional<std::string> state();
    vst3::tresult setState(const std::string& bytes);

private:
    Vst3HostApplication host_;
    Vst3ComponentHandler handler_;
    vst3::IComponent* component_ = nullptr;
    vst3::IAudioProcessor* processor_ = nullptr;
    vst3::IEditController* controller_ = nullptr;
    double sampleRate_ = 44100.0;
    bool processing_ = false;
};

// The module's entry and exit as this system's hosts call them (one source file per system).
bool enterVst3Module(const PluginLibrary& library);
bool exitVst3Module(const PluginLibrary& library);

} // namespace quovent::test
