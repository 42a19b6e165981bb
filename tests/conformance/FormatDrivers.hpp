// The drivers of the formats this build makes, one source file each.
#pragma once

#include "tests/conformance/FormatDriver.hpp"

namespace quovent::test {

std::unique_ptr<FormatDriver> makeVst2Driver(double rate, int maxBlock);
std::unique_ptr<FormatDriver> makeVst3Driver(double rate, int maxBlock);
std::unique_ptr<FormatDriver> makeLv2Driver(double rate, int maxBlock);
std::unique_ptr<FormatDriver> makeClapDriver(double rate, int maxBlock);

} // namespace quovent::test
