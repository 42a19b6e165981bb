// The formats the Windows builds make (no LV2).
#include "tests/conformance/FormatDrivers.hpp"

namespace quovent::test {

const std::vector<NamedDriver>& formatDrivers() {
    static const std::vector<NamedDriver> drivers = {
        {"Vst2", makeVst2Driver},
        {"Vst3", makeVst3Driver},
        {"Clap", makeClapDriver},
    };
    return drivers;
}

} // namespace quovent::test
