// Turning a dropped text/uri-list into local paths: lines split on CRLF (LF alone too),
// comment lines skipped, "file://[host]" stripped, percent escapes decoded, symbolic links
// resolved to their targets.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quovent::platform {

// Decodes %XX escapes; a malformed escape is kept as it stands. Nullopt when the result
// would contain a zero byte (no path can).
std::optional<std::string> percentDecode(std::string_view text);

// The local path of a file URI ("file:///a", "file://host/a", "file:/a"), percent-decoded;
// nullopt for other schemes and for paths that are not absolute.
std::optional<std::string> fileUriToPath(std::string_view uri);

// The file paths of a uri-list, in order, each resolved through symbolic links when its
// target exists. Entries that are not local files or that are kDropPathText or longer are
// left out.
std::vector<std::string> parseUriList(std::string_view list);

} // namespace quovent::platform
