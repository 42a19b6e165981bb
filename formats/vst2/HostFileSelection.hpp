// One file selection run through the host's own selector: the plug-in interface's record
// built from a FileSelectRequest, with every buffer it points to, kept at one address from
// the open call until the matching close call (hosts may keep pointers into it until then
// and free their own allocations on close). Editor thread only.
#pragma once

#include "formats/vst2/VstAbi.hpp"
#include "platform/Capacities.hpp"
#include "widgets/FileSelectRequest.hpp"

#include <array>
#include <string>
#include <vector>

namespace quovent {

class HostFileSelection {
public:
    // Most paths taken from a multiple load; a host may report any count.
    static constexpr int kMaxPaths = capacity::kDialogEntries;

    explicit HostFileSelection(const FileSelectRequest& request);
    HostFileSelection(const HostFileSelection&) = delete;
    HostFileSelection& operator=(const HostFileSelection&) = delete;

    vst::VstFileSelect* record() noexcept { return &record_; }

    // The paths the host wrote, once it answered the open call; none when it answered 0.
    // Reads only within our buffer, at most kFileSelectorPath bytes of each text the host
    // allocated, at most kMaxPaths of them, and skips null and empty entries.
    std::vector<std::string> results(bool answered) const;

private:
    vst::VstFileSelect record_{};
    std::vector<vst::VstFileType> types_;
    std::array<char, capacity::kFileSelectorPath> initialPath_{};
    std::array<char, capacity::kFileSelectorPath> returnPath_{};
};

} // namespace quovent
