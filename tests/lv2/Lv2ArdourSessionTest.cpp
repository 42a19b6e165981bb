// Ardour 7 keeps and plays the LV2 instrument's groove (tests/support/ArdourSessionCheck):
// Ardour finds the bundle through LV2_PATH, and the session's state is the folder Ardour keeps
// for the plug-in (plugins/<id>/state<n>), where the test saves the groove through lilv after
// setting it in the plug-in as a bank file; 7.3's Lua cannot set a file property itself.
#include "formats/lv2/PluginUris.hpp"
#include "tests/support/ArdourSessionCheck.hpp"
#include "tests/support/HostSong.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;
using lv2::PluginUris;

// The newest state folder Ardour keeps for the plug-in: session/plugins/<id>/state<n>.
fs::path newestState(const fs::path& session) {
    fs::path newest;
    int best = -1;
    if (!fs::exists(session / "plugins")) {
        return newest;
    }
    for (const auto& entry : fs::recursive_directory_iterator(session / "plugins")) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && name.rfind("state", 0) == 0 &&
            fs::exists(entry.path() / "state.ttl")) {
            const int n = std::atoi(name.c_str() + 5);
            if (n > best) {
                best = n;
                newest = entry.path();
            }
        }
    }
    return newest;
}

class Lv2Format : public ArdourPluginFormat {
public:
    const char* luaType() const override { return "LV2"; }
    ProcessBlock::NoteOffs noteOffs() const override { return ProcessBlock::NoteOffs::AtFrame; }

    void install(ArdourSessionCheck& check) override {
        const char* path = std::getenv("LV2_PATH");
        ASSERT_NE(path, nullptr) << "LV2_PATH names no folder with the bundle";
        check.env()["LV2_PATH"] = path;
    }

    void putState(ArdourSessionCheck& check, std::string&, const std::string& groove) override {
        const fs::path folder = newestState(check.session());
        ASSERT_FALSE(folder.empty()) << "Ardour kept no state for the plug-in";
        const fs::path bank = check.scratch() / "groove.json";
        writeText(bank, groove);
        Lv2InstanceOptions options;
        options.sampleRate = HostSong::kRate;
        const auto maker = Lv2TestInstance::create(host_, options);
        ASSERT_NE(maker, nullptr);
        maker->input().patchSet(0, PluginUris::property(PluginUris::kBankProperty), bank.string());
        maker->run(64);
        maker->run(64);
        ASSERT_FALSE(maker->takeReplies().empty());
        const LilvStatePtr state = maker->saveState(folder);
        ASSERT_NE(state, nullptr);
        host_.saveToFolder(*state, folder);
    }

    // The groove literal of the newest state, as lilv writes it.
    std::optional<std::string> keptState(ArdourSessionCheck& check) override {
        const std::string ttl = readText(newestState(check.session()) / "state.ttl");
        const std::string key = std::string(PluginUris::kGroove) + "> \"\"\"";
        const auto begin = ttl.find(key);
        const auto end = ttl.find("\"\"\"", begin + key.size());
        if (begin == std::string::npos || end == std::string::npos) {
            return std::nullopt;
        }
        return ttl.substr(begin + key.size(), end - begin - key.size());
    }

private:
    Lv2TestHost host_;
};

TEST(Lv2ArdourSession, KeepsItsGrooveAndExportsEveryNoteOnItsFrame) {
    Lv2Format format;
    ArdourSessionCheck().run(format);
}

} // namespace
} // namespace quovent::test
