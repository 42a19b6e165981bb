// The per-user settings as small files under $XDG_CONFIG_HOME/HalvdenLabs/.
#include "platform/UserSettings.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace quovent {

namespace {
constexpr const char* kVendorFolder = "HalvdenLabs";
constexpr const char* kSampleBaseName = "SampleBase";
constexpr const char* kZoomName = "Zoom";
constexpr std::size_t kMaxValueBytes = std::size_t{64} * 1024; // a path, never a large file
// Zooms a stored value may name, in percent; the editor picks among its own offers.
constexpr int kLowestZoom = 25;
constexpr int kHighestZoom = 800;

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

std::string settingFile(const char* name) {
    const std::string home = configHome();
    if (home.empty()) {
        return {};
    }
    return home + "/" + kVendorFolder + "/" + name;
}

// The first line of a small settings file.
UserSettings::ReadResult readFirstLine(const std::string& path, std::string& value) {
    using ReadResult = UserSettings::ReadResult;
    namespace fs = std::filesystem;
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

// Replaces a small settings file with one line.
bool writeLine(const std::string& path, const std::string& value) {
    namespace fs = std::filesystem;
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (ec) {
        return false;
    }
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
}

} // namespace

std::string UserSettings::sampleBaseFile() {
    return settingFile(kSampleBaseName);
}

UserSettings::ReadResult UserSettings::readSampleBase(std::string& value) {
    return readFirstLine(sampleBaseFile(), value);
}

bool UserSettings::writeSampleBase(const std::string& value) {
    return writeLine(sampleBaseFile(), value);
}

std::string UserSettings::zoomFile() {
    return settingFile(kZoomName);
}

UserSettings::ReadResult UserSettings::readZoom(int& percent) {
    std::string text;
    const ReadResult result = readFirstLine(zoomFile(), text);
    if (result != ReadResult::Found) {
        return result;
    }
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end || value < kLowestZoom || value > kHighestZoom) {
        return ReadResult::Missing;
    }
    percent = value;
    return ReadResult::Found;
}

bool UserSettings::writeZoom(int percent) {
    return writeLine(zoomFile(), std::to_string(percent));
}

} // namespace quovent
