#include "instrument/GrooveWriter.hpp"

#include "instrument/GrooveDocument.hpp"
#include "platform/NativePath.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>

namespace quovent {

namespace {

namespace fs = std::filesystem;
using platform::NativePath;
using Json = nlohmann::ordered_json;

constexpr int kRowSlots = capacity::kRowSlots;
constexpr int kSteps = capacity::kSteps;
constexpr int kLanes = capacity::kLanes;
constexpr int kPatterns = capacity::kPatterns;

// The text with every byte that is not part of a well-formed UTF-8 sequence replaced by
// U+FFFD, so JSON can carry it.
std::string validUtf8(const std::string& text) {
    static constexpr const char* kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned minimum = 0;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            minimum = 0x10000;
        }
        bool good = length > 0 && i + length <= text.size();
        unsigned code = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
        for (std::size_t k = 1; good && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            good = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        good = good && code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (good) {
            out.append(text, i, length);
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

// The shortest decimal text that reads back as the same float, so 0.65f is written as
// 0.65 and not as the nearest double's 0.6499999761581421.
Json number(float value) {
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    double shortest = 0.0;
    std::from_chars(text.data(), written.ptr, shortest);
    return shortest;
}

std::string exportedPath(const std::string& samplePath, const fs::path& base) {
    if (samplePath.empty() || Slot::isPlaceholder(samplePath)) {
        return {};
    }
    std::error_code ec;
    fs::path full = fs::absolute(NativePath::fromUtf8(samplePath), ec);
    if (ec) {
        full = NativePath::fromUtf8(samplePath);
    }
    full = full.lexically_normal();
    const fs::path relative = full.lexically_relative(base);
    if (!relative.empty() && *relative.begin() != ".." && relative != ".") {
        return NativePath::toGenericUtf8(relative);
    }
    return NativePath::toGenericUtf8(full);
}

// Writes the document as it goes, without building it first: objects one member per line,
// arrays of plain values on one line, so a row's lanes read as sixteen columns. Every value
// goes through one serializer for the whole document, so numbers and strings read exactly as
// the JSON library writes them.
class PrettyText {
public:
    explicit PrettyText(std::string& text)
        : text_(text), values_(nlohmann::detail::output_adapter<char>(text), ' ') {}

    // "{" or "[" whose members or entries follow one per line.
    void open(char bracket) {
        text_ += bracket;
        text_ += '\n';
        ++depth_;
        first_[depth_] = true;
    }
    void close(char bracket) {
        --depth_;
        text_ += '\n';
        text_.append(indent(), ' ');
        text_ += bracket;
    }
    // Starts the next member of an object (a plain name that needs no escaping).
    void member(const char* key) {
        entry();
        text_ += '"';
        text_ += key;
        text_ += "\": ";
    }
    // Starts the next entry of an array of objects.
    void entry() {
        if (!first_[depth_]) {
            text_ += ",\n";
        }
        first_[depth_] = false;
        text_.append(indent(), ' ');
    }
    // Throws Json::type_error for a string that is not UTF-8.
    void value(const Json& v) { values_.dump(v, false, false, 0); }
    void field(const char* key, const Json& v) {
        member(key);
        value(v);
    }
    template <typename Value> void line(const Value& values, int count) {
        text_ += '[';
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                text_ += ", ";
            }
            value(values(i));
        }
        text_ += ']';
    }

private:
    // The document, its patterns, a pattern, its rows and a row.
    static constexpr int kMaxDepth = 5;

    std::size_t indent() const { return 2 * static_cast<std::size_t>(depth_); }

    std::string& text_;
    nlohmann::detail::serializer<Json> values_;
    int depth_ = 0;
    std::array<bool, kMaxDepth + 1> first_{};
};

// sounds: whether the slot is heard now. A bank keeps no solo, so a slot left out by a lit
// solo is written muted and the bank plays back as it sounded.
void writeSlot(PrettyText& out, const Slot& slot, bool sounds, const std::string& samplePath) {
    out.open('{');
    out.field("samplePath", samplePath);
    out.field("volume", number(slot.volume));
    out.field("length", number(slot.length));
    out.field("tune", number(slot.tune));
    out.field("freq", number(slot.freq));
    out.field("res", number(slot.res));
    out.field("pan", number(slot.pan));
    out.field("filterMode", slot.filterMode.load());
    out.field("outputPair", slot.outputPair.load());
    out.field("active", sounds);
    out.field("sync", slot.sync != 0);
    out.close('}');
}

void writeRow(PrettyText& out, const PatternRow& row) {
    out.open('{');
    out.member("stepOn");
    out.line([&](int i) { return Json(row.stepOn(i)); }, kSteps);
    for (int k = 0; k < kLanes; ++k) {
        out.member(GrooveDocument::kLaneNames[static_cast<std::size_t>(k)]);
        out.line([&](int i) { return number(row.lane(k, i)); }, kSteps);
    }
    out.close('}');
}

} // namespace

std::string GrooveWriter::write(const Sequencer& seq, float stepEditMode, const fs::path& base,
                                Paths paths, std::string& text, const StatePaths* statePaths) {
    std::string written;
    PrettyText out(written);
    out.open('{');
    out.field("format", GrooveDocument::kFormat);
    out.field("version", GrooveDocument::kVersion);
    out.field("shuffleAmount", number(seq.shuffleAmount));
    out.field("stepEditMode", number(stepEditMode));
    out.field("bank", seq.patterns().bank());
    out.field("key", seq.patterns().key());
    out.member("slots");
    out.open('[');
    const std::uint32_t silent = seq.slots().silentSlots();
    for (int s = 0; s < kRowSlots; ++s) {
        const Slot& slot = seq.slots().slot(s);
        std::string path = exportedPath(slot.samplePath(), base);
        if (statePaths != nullptr && !path.empty()) {
            path = statePaths->toState(path);
        }
        if (paths == Paths::Replaced) {
            path = validUtf8(path);
        }
        out.entry();
        try {
            writeSlot(out, slot, (silent >> s & 1U) == 0, path);
        } catch (const Json::type_error&) {
            return "slots[" + std::to_string(s) + "].samplePath: the path is not UTF-8 text";
        }
    }
    out.close(']');
    out.member("patterns");
    out.open('[');
    for (int p = 0; p < kPatterns; ++p) {
        out.entry();
        out.open('{');
        out.member("rows");
        out.open('[');
        for (int s = 0; s < kRowSlots; ++s) {
            out.entry();
            writeRow(out, seq.patterns().row(p, s));
        }
        out.close(']');
        out.close('}');
    }
    out.close(']');
    out.close('}');
    written += '\n';
    text = std::move(written);
    return {};
}

} // namespace quovent
