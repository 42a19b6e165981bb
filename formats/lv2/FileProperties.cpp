#include "formats/lv2/FileProperties.hpp"

#include "formats/lv2/PluginUris.hpp"
#include "instrument/Instrument.hpp"
#include "platform/NativePath.hpp"

#include <filesystem>
#include <system_error>

namespace quovent::lv2 {

namespace {

// Checked before the instrument reads anything, so that directories, devices and pipes are
// never opened.
std::string refusal(std::string_view path) {
    if (path.empty()) {
        return "no file named";
    }
    if (path.find('\0') != std::string_view::npos) {
        return "not a usable path";
    }
    const std::filesystem::path file = platform::NativePath::fromUtf8(std::string(path));
    if (!file.is_absolute()) {
        return "not an absolute path";
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (error) {
        return error.message();
    }
    if (!std::filesystem::is_regular_file(status)) {
        return "not a regular file";
    }
    return {};
}

} // namespace

FileProperties::SetResult FileProperties::set(int property, std::string_view path) {
    SetResult result;
    if (property < 0 || property >= capacity::kProperties) {
        result.reason = "no such property";
        return result;
    }
    result.reason = refusal(path);
    if (!result.reason.empty()) {
        return result;
    }
    if (property == PluginUris::kBankProperty) {
        const BankImportResult imported =
            instrument_.importBank(platform::NativePath::fromUtf8(std::string(path)));
        if (!imported.ok) {
            result.reason = imported.error.empty() ? "not a groove bank" : imported.error;
            return result;
        }
        const std::lock_guard<std::mutex> hold(bankMutex_);
        bank_ = path;
    } else {
        result.reason =
            instrument_.loadSlotSample(PluginUris::slotOfProperty(property), std::string(path));
        if (!result.reason.empty()) {
            return result;
        }
    }
    result.accepted = true;
    return result;
}

FileProperties::Paths FileProperties::paths() const {
    Paths paths;
    {
        const std::lock_guard<std::mutex> hold(bankMutex_);
        paths[PluginUris::kBankProperty] = bank_;
    }
    const ModelLock::Scope hold(instrument_.lock());
    for (int s = 0; s < capacity::kSlotProperties; ++s) {
        const std::string& sample = instrument_.sequencer().slots().slot(s).samplePath();
        if (!Slot::isPlaceholder(sample)) {
            paths[static_cast<std::size_t>(PluginUris::propertyOfSlot(s))] = sample;
        }
    }
    return paths;
}

std::string FileProperties::restore(std::string_view groove, const std::string& bank,
                                    const StatePaths& statePaths) {
    const BankImportResult restored = instrument_.restoreState(groove, &statePaths);
    if (!restored.ok) {
        return restored.error.empty() ? "not a groove" : restored.error;
    }
    const std::lock_guard<std::mutex> hold(bankMutex_);
    bank_ = bank;
    return {};
}

} // namespace quovent::lv2
