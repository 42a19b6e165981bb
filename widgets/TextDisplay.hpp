// A text field: a ValueDisplay that shows a fixed text of up to 255 bytes instead of its
// value. The text cannot be edited by the user.
#pragma once

#include "platform/Capacities.hpp"
#include "widgets/ValueDisplay.hpp"

#include <string>
#include <string_view>

namespace quovent {

class TextDisplay : public ValueDisplay {
public:
    static constexpr std::size_t kMaxText = capacity::kControlText - 1;

    using ValueDisplay::ValueDisplay;

    // Stores the text, cut to kMaxText bytes (never inside a UTF-8 sequence), and marks
    // the control dirty when it changed.
    void setText(std::string_view text);
    const std::string& text() const noexcept { return text_; }
    std::string displayText() const override { return text_; }

    // The longest prefix of at most `limit` bytes that does not end inside a UTF-8
    // sequence.
    static std::string_view cutText(std::string_view text, std::size_t limit);

private:
    std::string text_;
};

} // namespace quovent
