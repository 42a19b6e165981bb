// libFuzzer target: any byte string as the instrument's saved state, the text effSetChunk,
// LV2 state and the VST 3 stream all hand to restoreState. A refused state must leave the
// groove exactly as it was; an accepted one must play and save as text that restores to
// itself (GrooveRoundTrip).
#include "tests/fuzz/GrooveRoundTrip.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quovent;

namespace {

fuzz::GrooveRoundTrip& roundTrip() {
    static auto* r = [] {
        fuzz::writeKit();
        const std::string groove = fuzz::demoGroove(fuzz::kKitDirectory);
        return new fuzz::GrooveRoundTrip([&](Instrument& i) { return i.restoreState(groove).ok; },
                                         groove, "the demo groove on the generated kit is refused");
    }();
    return *r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    roundTrip();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    roundTrip().check([&](Instrument& i) { return i.restoreState(text); });
    return 0;
}
