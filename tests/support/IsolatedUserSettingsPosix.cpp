// The sample base file under a scratch XDG_CONFIG_HOME.
#include "tests/support/IsolatedUserSettings.hpp"

#include "platform/UserSettings.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace quovent::test {

namespace {
struct Saved {
    std::optional<std::string> xdg;
};
} // namespace

IsolatedUserSettings::IsolatedUserSettings(const std::filesystem::path& scratch)
    : scratch_(scratch) {
    auto* saved = new Saved;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        saved->xdg = old;
    }
    state_ = saved;
    std::filesystem::create_directories(scratch_ / "config");
    ::setenv("XDG_CONFIG_HOME", (scratch_ / "config").c_str(), 1);
}

IsolatedUserSettings::~IsolatedUserSettings() {
    auto* saved = static_cast<Saved*>(state_);
    if (saved->xdg) {
        ::setenv("XDG_CONFIG_HOME", saved->xdg->c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    delete saved;
}

void IsolatedUserSettings::makeUnreadable() {
    std::filesystem::create_directories(UserSettings::sampleBaseFile());
}

void IsolatedUserSettings::blockWrites() {
    std::ofstream(scratch_ / "blocker") << "x";
    ::setenv("XDG_CONFIG_HOME", (scratch_ / "blocker").c_str(), 1); // a file: no folder inside
}

std::size_t IsolatedUserSettings::storedEntries() const {
    const auto folder = std::filesystem::path(UserSettings::sampleBaseFile()).parent_path();
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

} // namespace quovent::test
