// The formats the Linux build makes.
#include "tests/conformance/FormatDrivers.hpp"

namespace quovent::test {

const std::vector<NamedDriver>& formatDrivers() {
    static const std::vector<NamedDriver> drivers = {
        {"Vst2", makeVst2Driver},
        {"Vst3", makeVst3Driver},
        {"Lv2", makeLv2Driver},
        {"Clap", makeClapDriver},
    };
    return drivers;
}

} // namespace quovent::test
