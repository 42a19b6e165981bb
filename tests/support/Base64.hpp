// Base64 (RFC 4648, the '+' '/' alphabet, '=' padded), as hosts keep binary plug-in state in
// their XML session files.
#pragma once

#include <optional>
#include <string>

namespace quovent::test {

std::string base64Encode(const std::string& bytes);

// White space (hosts wrap long runs) is passed over and the first '=' ends the data; any
// other character outside the alphabet means the text is not base64: nothing.
std::optional<std::string> base64Decode(const std::string& text);

} // namespace quovent::test
