// libFuzzer target: any byte string as a groove bank file given to Import. The file lies in
// the generated kit's folder, so relative sample names find real samples. A refused file
// must leave the groove exactly as it was; an accepted one must play and save as text that
// restores to itself (GrooveRoundTrip).
#include "tests/fuzz/GrooveRoundTrip.hpp"
#include "tests/fuzz/ScratchFile.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unistd.h>

using namespace quovent;

namespace {

fuzz::ScratchFile& bankFile() {
    static fuzz::ScratchFile file(
        (fuzz::kKitDirectory / ("bank-" + std::to_string(getpid()) + ".json")).string());
    return file;
}

fuzz::GrooveRoundTrip& roundTrip() {
    static auto* r = [] {
        fuzz::writeKit();
        bankFile();
        // The demo bank's state text names the same samples by absolute path.
        return new fuzz::GrooveRoundTrip(
            [](Instrument& i) { return i.importBank(fuzz::demoDirectory() / "demo.json").ok; },
            fuzz::demoGroove(fuzz::demoDirectory()), "the demo bank is refused");
    }();
    return *r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    roundTrip();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bankFile().replace(data, size);
    roundTrip().check([](Instrument& i) { return i.importBank(bankFile().path()); });
    return 0;
}
