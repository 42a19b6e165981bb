#include "platform/UserSettings.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quovent {

namespace {
constexpr const char* kVendorFolder = "HalvdenLabs";
constexpr const char* kSampleBaseName = "SampleBase";
constexpr std::size_t kMaxValueBytes = std::size_t{64} * 1024; // a path, never a large file

std::string configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.config";
    }
    return {};
}

#ifndef _WIN32
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
#endif
} // namespace

std::string UserSettings::sampleBaseFile() {
    const std::string home = configHome();
    if (home.empty()) {
        return {};
    }
    return home + "/" + kVendorFolder + "/" + kSampleBaseName;
}

UserSettings::ReadResult UserSettings::readSampleBase(std::string& value) {
    namespace fs = std::filesystem;
    const std::string path = sampleBaseFile();
    if (path.empty()) {
        return ReadResult::Missing;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return ReadResult::Missing;
    }
    // Only a regular file is read: opening a FIFO would wait for a writer, a device could
    // deliver anything.
    if (ec || status.type() != fs::file_type::regular) {
        return ReadResult::Unreadable;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return ReadResult::Unreadable;
    }
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxValueBytes) {
            return ReadResult::Unreadable;
        }
    }
    if (in.bad()) {
        return ReadResult::Unreadable;
    }
    const auto end = text.find_first_of("\r\n");
    if (end != std::string::npos) {
        text.resize(end);
    }
    if (text.empty()) {
        return ReadResult::Missing;
    }
    value = text;
    return ReadResult::Found;
}

bool UserSettings::writeSampleBase(const std::string& value) {
    namespace fs = std::filesystem;
    const std::string path = sampleBaseFile();
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (ec) {
        return false;
    }
#ifndef _WIN32
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, value + "\n") && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
#else
    return false; // the Windows backend stores the value in the registry
#endif
}

} // namespace quovent
