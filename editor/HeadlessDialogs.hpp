// Dialog answers while there is no window to show a dialog in: every question is declined
// and every message dropped, so nothing blocks a host that never opens the editor.
#pragma once

#include "editor/SampleDialogs.hpp"

namespace quovent {

class HeadlessDialogs : public SampleDialogs {
public:
    std::optional<std::string> chooseFolder(const std::string& /*title*/,
                                            const std::string& /*root*/) override {
        return std::nullopt;
    }
    bool askYesNo(const std::string& /*text*/) override { return false; }
    void showMessage(const std::string& /*text*/) override {}
    std::optional<std::string> chooseWavFile() override { return std::nullopt; }
    std::optional<std::string> chooseBankFile(FileSelectCommand /*command*/,
                                              const std::string& /*directory*/) override {
        return std::nullopt;
    }
};

} // namespace quovent
