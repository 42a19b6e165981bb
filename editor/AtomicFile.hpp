// Replacing a file so that no reader ever sees a partial one: the text goes to a temporary
// file in the target's directory, is synced to disk, and is renamed over the target. On
// any failure the temporary file is removed and the target is left as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quovent {

class AtomicFile {
public:
    // Empty on success, otherwise a message naming the path and the system's reason.
    // An existing target keeps its permission bits.
    static std::string write(const std::filesystem::path& target, std::string_view bytes);
};

} // namespace quovent
