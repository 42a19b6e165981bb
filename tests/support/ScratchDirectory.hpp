// A fresh, empty directory under the system's temporary folder for one test, removed with
// everything in it when the object goes. Portable: the name is made unique by trying.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace quovent::test {

class ScratchDirectory {
public:
    explicit ScratchDirectory(std::string_view prefix = "quovent") {
        static constexpr int kAttempts = 100;
        std::random_device seed;
        std::mt19937 pick(seed());
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::filesystem::path candidate =
                temp / (std::string(prefix) + "-" + std::to_string(pick()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec) && !ec) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot create a scratch directory");
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace quovent::test
