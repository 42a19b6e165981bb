// The modal questions the sample operations ask the user. The editor supplies dialogs of the
// desktop or of the toolkit; tests supply scripted answers. Every dialog carries the caption
// "quovent v1.0" and is modal: it returns when the user has answered. Editor thread only.
#pragma once

#include "widgets/FileSelectRequest.hpp"

#include <optional>
#include <string>

namespace quovent {

class SampleDialogs {
public:
    virtual ~SampleDialogs() = default;

    // A directory, or nothing when cancelled. root: only it and what lies below it can be
    // chosen; empty for the whole file system.
    virtual std::optional<std::string> chooseFolder(const std::string& title,
                                                    const std::string& root) = 0;
    // True for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    virtual void showMessage(const std::string& text) = 0;
    // One WAV file to open, or nothing when cancelled.
    virtual std::optional<std::string> chooseWavFile() = 0;
    // A groove bank file to read (Load) or write (Save), starting in directory; nothing
    // when cancelled.
    virtual std::optional<std::string> chooseBankFile(FileSelectCommand command,
                                                      const std::string& directory) = 0;
};

} // namespace quovent
