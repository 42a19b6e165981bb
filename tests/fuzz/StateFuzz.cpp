// libFuzzer target: any byte string as the instrument's saved state, the text effSetChunk,
// LV2 state and the VST 3 stream all hand to restoreState. A refused state must leave the
// saved state exactly as it was; an accepted one must save as text that restores to itself.
#include "tests/fuzz/FuzzKit.hpp"

#include "instrument/Instrument.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace quovent;

namespace {

struct Fixture {
    Instrument instrument;
    std::string baseState; // the state every input starts from
    bool changed = false;  // an accepted input replaced it
};

Fixture& fixture() {
    static Fixture* f = [] {
        fuzz::writeKit();
        auto* made = new Fixture();
        if (!made->instrument.restoreState(fuzz::demoGroove(fuzz::kKitDirectory)).ok) {
            fuzz::fail("the demo groove on the generated kit is refused");
        }
        made->baseState = made->instrument.saveState();
        if (!made->instrument.restoreState(made->baseState).ok ||
            made->instrument.saveState() != made->baseState) {
            fuzz::fail("the base state does not restore to itself");
        }
        return made;
    }();
    return *f;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fixture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fixture& f = fixture();
    Instrument& instrument = f.instrument;
    if (f.changed) {
        fuzz::require(instrument.restoreState(f.baseState).ok, "the base state is refused");
        f.changed = false;
    }
    // Every input starts from the base state (saving it again would only cost time).
    const std::string& before = f.baseState;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const BankImportResult result = instrument.restoreState(text);
    if (!result.ok) {
        fuzz::require(!result.error.empty(), "a refusal without a reason");
        fuzz::require(instrument.saveState() == before, "a refused state changed the state");
        return 0;
    }
    f.changed = true;
    const std::string saved = instrument.saveState();
    const BankImportResult again = instrument.restoreState(saved);
    fuzz::require(again.ok, "the saved form of an accepted state is refused");
    fuzz::require(instrument.saveState() == saved, "the saved state does not restore to itself");
    return 0;
}
