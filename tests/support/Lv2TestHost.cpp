#include "tests/support/Lv2TestHost.hpp"

#include <cstdarg>
#include <cstdio>
#include <stdexcept>

namespace quovent::test {

Lv2TestHost::Lv2TestHost(std::string_view pluginUri) : world_(lilv_world_new()) {
    lilv_world_load_all(world_);
    LilvNode* uri = lilv_new_uri(world_, std::string(pluginUri).c_str());
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
    if (plugin_ == nullptr) {
        lilv_world_free(world_);
        throw std::runtime_error("no plug-in " + std::string(pluginUri) + " in LV2_PATH");
    }
    log_.handle = this;
    log_.printf = &Lv2TestHost::logPrintf;
    log_.vprintf = &Lv2TestHost::logVprintf;
}

Lv2TestHost::~Lv2TestHost() {
    lilv_world_free(world_);
}

int Lv2TestHost::logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = logVprintf(handle, type, format, arguments);
    va_end(arguments);
    return written;
}

int Lv2TestHost::logVprintf(LV2_Log_Handle handle, LV2_URID, const char* format,
                            va_list arguments) {
    auto* self = static_cast<Lv2TestHost*>(handle);
    char line[4096];
    const int written = std::vsnprintf(line, sizeof line, format, arguments);
    const std::lock_guard<std::mutex> hold(self->logMutex_);
    self->logLines_.emplace_back(line);
    return written;
}

std::vector<std::string> Lv2TestHost::logLines() const {
    const std::lock_guard<std::mutex> hold(logMutex_);
    return logLines_;
}

void Lv2TestHost::clearLog() {
    const std::lock_guard<std::mutex> hold(logMutex_);
    logLines_.clear();
}

void Lv2TestHost::saveToFolder(const LilvState& state, const std::filesystem::path& folder) {
    const std::string dir = folder.string();
    if (lilv_state_save(world_, urids_.mapFeature(), urids_.unmapFeature(), &state, nullptr,
                        dir.c_str(), "state.ttl") != 0) {
        throw std::runtime_error("lilv could not save the state into " + dir);
    }
}

LilvStatePtr Lv2TestHost::loadFromFolder(const std::filesystem::path& folder) {
    const std::string file = (folder / "state.ttl").string();
    return LilvStatePtr(
        lilv_state_new_from_file(world_, urids_.mapFeature(), nullptr, file.c_str()));
}

} // namespace quovent::test
