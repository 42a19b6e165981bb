// A small LV2 host on lilv for tests: finds the plug-in through LV2_PATH as hosts do (the
// build's test registrations point it at the built bundle), and keeps what every instance
// shares: the URID map, the log the plug-in writes to, and the state files. Instances are
// Lv2TestInstance. Test thread, except the log, which the host's worker threads write too.
#pragma once

#include "tests/support/UridMap.hpp"

#include <lilv/lilv.h>
#include <lv2/log/log.h>

#include <cstdarg>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quovent::test {

struct LilvStateFree {
    void operator()(LilvState* state) const noexcept { lilv_state_free(state); }
};
using LilvStatePtr = std::unique_ptr<LilvState, LilvStateFree>;

class Lv2TestHost {
public:
    static constexpr std::string_view kPluginUri = "https://halvden.audio/plugins/quovent";

    // Throws std::runtime_error when LV2_PATH holds no such plug-in.
    explicit Lv2TestHost(std::string_view pluginUri = kPluginUri);
    ~Lv2TestHost();
    Lv2TestHost(const Lv2TestHost&) = delete;
    Lv2TestHost& operator=(const Lv2TestHost&) = delete;

    LilvWorld* world() const noexcept { return world_; }
    const LilvPlugin* plugin() const noexcept { return plugin_; }
    UridMap& urids() noexcept { return urids_; }
    LV2_URID urid(std::string_view uri) { return urids_.map(uri); }

    LV2_Log_Log* logFeature() noexcept { return &log_; }
    std::vector<std::string> logLines() const;
    void clearLog();

    // A state written as a host writes it into a session (state.ttl in folder) and read back.
    void saveToFolder(const LilvState& state, const std::filesystem::path& folder);
    LilvStatePtr loadFromFolder(const std::filesystem::path& folder);

private:
    static int logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...);
    static int logVprintf(LV2_Log_Handle handle, LV2_URID type, const char* format,
                          va_list arguments);

    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    UridMap urids_;
    LV2_Log_Log log_{};
    mutable std::mutex logMutex_;
    std::vector<std::string> logLines_;
};

} // namespace quovent::test
