// The demo bank as a saved state carries it: its text with every sample path made absolute
// in the demo's folder, so that an instance anywhere finds the demo's samples.
#pragma once

#include "tests/support/TextFile.hpp"

#include <string>

namespace quovent::test {

// `demoFolder` holds demo.json and its samples; a path as the test's system spells it.
inline std::string absoluteDemoGroove(const std::string& demoFolder) {
    std::string text = readText(demoFolder + "/demo.json");
    const std::string key = "\"samplePath\": \"";
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + key.size())) {
        text.insert(at + key.size(), demoFolder + "/");
    }
    return text;
}

} // namespace quovent::test
