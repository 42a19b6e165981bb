// A whole file as a string and back, bytes unchanged (no newline translation), for tests that
// write settings, scripts and sessions and read back logs and saved files.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quovent::test {

// The file's bytes; empty when it cannot be read.
inline std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file, making its folders first.
inline void writeText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

} // namespace quovent::test
