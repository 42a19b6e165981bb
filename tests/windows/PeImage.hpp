// The parts of a Windows PE image (DLL) a test asks about: the machine it is built for,
// the names it exports with their addresses, and the DLLs it imports from (directly or
// delay-loaded). Read from the file's bytes; nothing is loaded.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quovent::test {

struct PeImage {
    std::uint16_t machine = 0;                    // 0x14c i386, 0x8664 x86_64
    std::map<std::string, std::uint32_t> exports; // name -> address (RVA)
    std::vector<std::string> imports;             // DLL names as stored

    // Nullopt when the file cannot be read or is not a well-formed PE image.
    static std::optional<PeImage> read(const std::string& path);
};

} // namespace quovent::test
