// libFuzzer target: any byte string as a groove bank file given to Import. The file lies in
// the generated kit's folder, so relative sample names find real samples. A refused file
// must leave the state exactly as it was; an accepted one must save as text that restores
// to itself.
#include "tests/fuzz/FuzzKit.hpp"

#include "instrument/Instrument.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace quovent;

namespace {

struct Fixture {
    Instrument instrument;
    std::string baseState;
    bool changed = false;
    std::filesystem::path bankFile;
};

Fixture& fixture() {
    static Fixture* f = [] {
        fuzz::writeKit();
        auto* made = new Fixture();
        if (!made->instrument.importBank(fuzz::demoDirectory() / "demo.json").ok) {
            fuzz::fail("the demo bank is refused");
        }
        made->baseState = made->instrument.saveState();
        if (!made->instrument.restoreState(made->baseState).ok ||
            made->instrument.saveState() != made->baseState) {
            fuzz::fail("the base state does not restore to itself");
        }
        made->bankFile = fuzz::kKitDirectory / ("bank-" + std::to_string(getpid()) + ".json");
        std::atexit([] { std::filesystem::remove(fixture().bankFile); });
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
    fuzz::writeText(f.bankFile, std::string_view(reinterpret_cast<const char*>(data), size));
    // Every input starts from the base state (saving it again would only cost time).
    const std::string& before = f.baseState;
    const BankImportResult result = instrument.importBank(f.bankFile);
    if (!result.ok) {
        fuzz::require(!result.error.empty(), "a refusal without a reason");
        fuzz::require(instrument.saveState() == before, "a refused bank changed the state");
        return 0;
    }
    f.changed = true;
    const std::string saved = instrument.saveState();
    fuzz::require(instrument.restoreState(saved).ok, "the saved form of a bank is refused");
    fuzz::require(instrument.saveState() == saved, "the saved state does not restore to itself");
    return 0;
}
