// Time to save and to restore the instrument's whole state as the host does with every
// project save and open (effGetChunk, effSetChunk, the LV2 state, the VST 3 stream): the demo
// bank with its eight samples, and a state with no sample at all.
#include "instrument/Instrument.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace quovent;

namespace {

// The saved state of an instrument that imported the demo bank, or of a new one.
std::string savedState(bool demo) {
    Instrument instrument;
    if (demo && !instrument.importBank(std::string(QUOVENT_DEMO_DIR) + "/demo.json").ok) {
        return {};
    }
    return instrument.saveState();
}

void saveState(benchmark::State& state) {
    Instrument instrument;
    instrument.restoreState(savedState(state.range(0) != 0));
    std::string out;
    for (auto _ : state) {
        out = instrument.saveState();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(std::to_string(out.size()) + " bytes");
}

void restoreState(benchmark::State& state) {
    Instrument instrument;
    const std::string text = savedState(state.range(0) != 0);
    for (auto _ : state) {
        if (!instrument.restoreState(text).ok) {
            state.SkipWithError("the state was refused");
            break;
        }
    }
}

} // namespace

// Argument 1: the demo bank (eight samples); 0: a new instance's state.
BENCHMARK(saveState)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(restoreState)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
