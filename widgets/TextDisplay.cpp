// Text field storage.
#include "widgets/TextDisplay.hpp"

namespace quovent {

std::string_view TextDisplay::cutText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    const auto continuation = [&](std::size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0u) == 0x80u;
    };
    // Step back over at most three continuation bytes (10xxxxxx) so the cut lands before
    // the lead byte of a sequence; more than three means the text is not UTF-8 (Latin-1),
    // and any cut will do.
    std::size_t end = limit;
    for (int i = 0; i < 3 && end > 0 && continuation(end); ++i) {
        --end;
    }
    if (continuation(end)) {
        end = limit;
    }
    return text.substr(0, end);
}

void TextDisplay::setText(std::string_view text) {
    const std::string_view cut = cutText(text, kMaxText);
    if (cut != text_) {
        text_.assign(cut);
        setDirty();
    }
}

} // namespace quovent
