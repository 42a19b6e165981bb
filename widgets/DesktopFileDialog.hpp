// The desktop's own file dialog, run as a separate program (zenity or kdialog) so that no
// toolkit library is loaded into the host. The editor keeps serving its window while the
// program runs, and kills it when the editor closes first.
#pragma once

#include "widgets/FileSelectRequest.hpp"

#include <optional>
#include <string>
#include <vector>

namespace quovent {

class FrameWindow;

class DesktopFileDialog {
public:
    enum class Flavour { Zenity, Kdialog };

    // program: the executable to run; its flavour is taken from its name ("kdialog" in it
    // means kdialog, anything else is spoken to as zenity).
    explicit DesktopFileDialog(std::string program);

    // Runs a dialog program while the frame keeps being served: its exit status (-1 when
    // the frame closed and the program was killed), or nullopt when it could not start.
    static std::optional<int> runProgram(FrameWindow& frame, const std::vector<std::string>& argv,
                                         std::string* output);

    // Runs the dialog: the chosen paths (empty when cancelled), or nullopt when the
    // program could not run or failed, so the caller can fall back to another dialog.
    std::optional<std::vector<std::string>> run(FrameWindow& frame,
                                                const FileSelectRequest& request);

    // The command line for a request.
    std::vector<std::string> arguments(const FileSelectRequest& request) const;
    // The paths in the program's output, one a line; paths too long for the request's
    // buffer are left out.
    static std::vector<std::string> parseOutput(const std::string& output, bool multiple);

    Flavour flavour() const noexcept { return flavour_; }

private:
    std::string program_;
    Flavour flavour_;
};

} // namespace quovent
