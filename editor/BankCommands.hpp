// The Import and Export buttons: a groove bank file chosen through the editor's dialogs,
// read or written by BankFile, and the outcome told in a message box. A refused file
// changes nothing; after an import every control of the open window shows the new model.
//
// Editor thread only. The host may close the window from inside a dialog; the model is
// still imported then, and the views and later dialogs find no window and do nothing.
#pragma once

#include <string>
#include <vector>

namespace quovent {

class Editor;

class BankCommands {
public:
    explicit BankCommands(Editor& editor) : editor_(editor) {}

    void exportBank();
    void importBank();

    // The message texts, for the boxes and for tests.
    static std::string exportFailedText(const std::string& error);
    static std::string importRefusedText(const std::string& error);
    static std::string missingSamplesText(const std::vector<std::string>& paths);

private:
    Editor& editor_;
};

} // namespace quovent
