// Time to save and to restore the instrument's whole state as the host does with every
// project save and open (effGetChunk, effSetChunk): the demo bank with its eight samples,
// and a state with no sample at all.
#include "editor/BankFile.hpp"
#include "editor/Editor.hpp"
#include "editor/HostServices.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace quovent;

namespace {

class QuietHost : public HostServices {
public:
    void setParameterAutomated(int, float) override {}
    void beginEdit(int) override {}
    void endEdit(int) override {}
    void masterIdle() override {}
    float hostTempo() override { return 0.0f; }
    float sampleRate() const override { return 44100.0f; }
    bool canHostDo(const char*) override { return false; }
};

// The saved state of an editor that imported the demo bank, or of a new one.
std::string savedState(bool demo) {
    QuietHost host;
    Editor editor(host);
    if (demo && !BankFile::importBank(editor, std::string(QUOVENT_DEMO_DIR) + "/demo.json").ok) {
        return {};
    }
    std::string text;
    editor.saveState(text);
    return text;
}

void saveState(benchmark::State& state) {
    QuietHost host;
    Editor editor(host);
    const std::string text = savedState(state.range(0) != 0);
    editor.restoreState(text);
    std::string out;
    for (auto _ : state) {
        editor.saveState(out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(std::to_string(out.size()) + " bytes");
}

void restoreState(benchmark::State& state) {
    QuietHost host;
    Editor editor(host);
    const std::string text = savedState(state.range(0) != 0);
    for (auto _ : state) {
        if (!editor.restoreState(text)) {
            state.SkipWithError("the state was refused");
            break;
        }
    }
}

} // namespace

// Argument 1: the demo bank (eight samples); 0: a new instance's state.
BENCHMARK(saveState)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(restoreState)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
