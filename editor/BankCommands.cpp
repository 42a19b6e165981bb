// Import and Export of groove bank files from the editor's top row.
#include "editor/BankCommands.hpp"

#include "editor/Editor.hpp"
#include "instrument/BankFile.hpp"
#include "platform/NativePath.hpp"

#include <filesystem>

namespace quovent {

namespace fs = std::filesystem;

std::string BankCommands::exportFailedText(const std::string& error) {
    return "The groove bank could not be exported.\n" + error;
}

std::string BankCommands::importRefusedText(const std::string& error) {
    return "The groove bank could not be imported; nothing was changed.\n" + error;
}

std::string BankCommands::missingSamplesText(const std::vector<std::string>& paths) {
    std::string text = "The groove bank was imported, but these samples were not found:";
    for (const std::string& p : paths) {
        text += '\n';
        text += p;
    }
    return text;
}

void BankCommands::exportBank() {
    const auto chosen = editor_.dialogs().chooseBankFile(FileSelectCommand::Save,
                                                         editor_.sampleBrowser().sampleBasePath());
    if (!chosen) {
        return;
    }
    fs::path file = platform::NativePath::fromUtf8(*chosen);
    // Desktop dialogs hand back the typed name as it stands; a bare name gets the type's
    // extension so the file shows up in the import dialog's filter.
    if (!file.has_extension()) {
        file += ".json";
    }
    const BankExportResult result = editor_.instrument().exportBank(file);
    if (!result.ok) {
        editor_.dialogs().showMessage(exportFailedText(result.error));
    }
}

void BankCommands::importBank() {
    const auto chosen = editor_.dialogs().chooseBankFile(FileSelectCommand::Load,
                                                         editor_.sampleBrowser().sampleBasePath());
    if (!chosen) {
        return;
    }
    const BankImportResult result =
        editor_.instrument().importBank(platform::NativePath::fromUtf8(*chosen));
    if (!result.ok) {
        editor_.dialogs().showMessage(importRefusedText(result.error));
        return;
    }
    editor_.showModel();
    if (!result.missingSamples.empty()) {
        editor_.dialogs().showMessage(missingSamplesText(result.missingSamples));
    }
}

} // namespace quovent
