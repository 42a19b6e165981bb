// Drawing cost of the editor window, opened through the plug-in entry in a plain X11 window
// as a host opens it:
//   FullRepaint/<percent>: everything drawn again (background, all 297 controls) and copied
//     to the window, until the X server has it. Target at 200 %: under 10 ms. The CPU
//     column is this process's own time; on a busy machine the wall time also holds the
//     wait for a processor and the server's copy.
//   IdleLoad/<percent>: the host's idle at 50 Hz with nothing changing, for two seconds.
//     Counter core_percent: the processor time it took, in percent of one core. Target:
//     under 1 %.
// Needs DISPLAY (see CMakeLists.txt); prints a note and measures nothing without one.
#include "editor/Editor.hpp"
#include "formats/vst2/PluginMain.hpp"
#include "formats/vst2/Vst2Plugin.hpp"
#include "platform/UserSettings.hpp"
#include "platform/linux/X11WindowSystem.hpp"

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using namespace quovent;

std::intptr_t QUOVENT_VSTCALL hostCallback(vst::AEffect* /*effect*/, std::int32_t opcode,
                                           std::int32_t /*index*/, std::intptr_t /*value*/,
                                           void* /*ptr*/, float /*opt*/) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// An instance with its editor open at a zoom, in a window of its own.
class OpenEditor {
public:
    explicit OpenEditor(int percent) {
        // A busy server refuses a connection now and then; a few quick retries get through.
        for (int attempt = 0; attempt < 50 && dpy_ == nullptr; ++attempt) {
            dpy_ = XOpenDisplay(nullptr);
            if (dpy_ == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        if (dpy_ == nullptr) {
            return;
        }
        UserSettings::writeZoom(percent);
        effect_ = pluginMain(&hostCallback);
        dispatch(vst::effOpen);
        dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        vst::ERect* r = nullptr;
        dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&r));
        parent_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0,
                                      static_cast<unsigned>(r->right - r->left),
                                      static_cast<unsigned>(r->bottom - r->top), 0, 0, 0);
        XMapWindow(dpy_, parent_);
        XSync(dpy_, False);
        dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(parent_));
        editor_ = static_cast<Vst2Plugin*>(EffectBase::fromEffect(effect_))->sequencerEditor();
        for (int i = 0; i < 20; ++i) {
            dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~OpenEditor() {
        if (effect_ != nullptr) {
            dispatch(vst::effEditClose);
            dispatch(vst::effClose);
        }
        if (dpy_ != nullptr) {
            XDestroyWindow(dpy_, parent_);
            XCloseDisplay(dpy_);
        }
    }
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    bool ok() const { return editor_ != nullptr && editor_->frame() != nullptr; }
    void dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
        effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    // Everything drawn again and in the server's hands.
    void repaint() {
        editor_->frame()->paint();
        dynamic_cast<platform::linux_x11::X11WindowSystem&>(editor_->frame()->windowSystem())
            .sync();
    }

private:
    Display* dpy_ = nullptr;
    Window parent_ = 0;
    vst::AEffect* effect_ = nullptr;
    Editor* editor_ = nullptr;
};

double processorSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void FullRepaint(benchmark::State& state) {
    OpenEditor editor(static_cast<int>(state.range(0)));
    if (!editor.ok()) {
        state.SkipWithError("no X display or the editor did not open");
        return;
    }
    for (auto _ : state) {
        editor.repaint();
    }
}

void IdleLoad(benchmark::State& state) {
    OpenEditor editor(static_cast<int>(state.range(0)));
    if (!editor.ok()) {
        state.SkipWithError("no X display or the editor did not open");
        return;
    }
    constexpr auto kPeriod = std::chrono::milliseconds(20);
    constexpr int kIdles = 100; // two seconds
    double share = 0.0;
    for (auto _ : state) {
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = processorSeconds();
        auto next = wallStart;
        for (int i = 0; i < kIdles; ++i) {
            editor.dispatch(vst::effEditIdle);
            next += kPeriod;
            std::this_thread::sleep_until(next);
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        share = (processorSeconds() - cpuStart) / wall;
    }
    state.counters["core_percent"] = 100.0 * share;
}

BENCHMARK(FullRepaint)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(IdleLoad)->Arg(100)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::printf("editor_bench needs an X display, e.g.\n"
                    "  xvfb-run -a -s \"-screen 0 1600x1300x24\" %s\n",
                    argv[0]);
        return 0;
    }
    // The zoom each case asks for is kept in a settings folder of the benchmark's own.
    char folder[] = "/tmp/quovent-editor-bench-XXXXXX";
    if (::mkdtemp(folder) != nullptr) {
        ::setenv("XDG_CONFIG_HOME", folder, 1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::system((std::string("rm -rf ") + folder).c_str());
    return 0;
}
