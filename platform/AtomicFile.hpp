// Replacing a file so that no reader ever sees a partial one: the text goes to a temporary
// file in the target's directory, is flushed to disk, and is renamed over the target (Linux:
// rename; Windows: MoveFileExW replacing the target). On any failure the temporary file is
// removed and the target is left as it was. Editor thread; performs file I/O.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quovent {

class AtomicFile {
public:
    // Empty on success, otherwise a message naming the path (UTF-8) and the system's
    // reason. On Linux an existing target keeps its permission bits.
    static std::string write(const std::filesystem::path& target, std::string_view bytes);
};

} // namespace quovent
