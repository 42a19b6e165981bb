// libFuzzer target: any byte string as a groove bank file given to Import. The file lies in
// the generated kit's folder, so relative sample names find real samples. A refused file
// must leave the state exactly as it was; an accepted one must save as text that restores
// to itself.
#include "tests/fuzz/GrooveRoundTrip.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace quovent;

namespace {

const std::filesystem::path& bankFile() {
    static const std::filesystem::path file =
        fuzz::kKitDirectory / ("bank-" + std::to_string(getpid()) + ".json");
    return file;
}

fuzz::GrooveRoundTrip& roundTrip() {
    static auto* r = [] {
        fuzz::writeKit();
        std::atexit([] { std::filesystem::remove(bankFile()); });
        return new fuzz::GrooveRoundTrip(
            [](Instrument& i) { return i.importBank(fuzz::demoDirectory() / "demo.json").ok; },
            "the demo bank is refused");
    }();
    return *r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    roundTrip();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::writeText(bankFile(), std::string_view(reinterpret_cast<const char*>(data), size));
    roundTrip().check([](Instrument& i) { return i.importBank(bankFile()); });
    return 0;
}
