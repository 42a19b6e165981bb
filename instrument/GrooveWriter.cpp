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

// sounds: whether the slot is heard now. A bank keeps no solo, so a slot left out by a lit
// solo is written muted and the bank plays back as it sounded.
Json slotJson(const Slot& slot, bool sounds, const fs::path& base) {
    Json j = Json::object();
    j["samplePath"] = exportedPath(slot.samplePath(), base);
    j["volume"] = number(slot.volume);
    j["length"] = number(slot.length);
    j["tune"] = number(slot.tune);
    j["freq"] = number(slot.freq);
    j["res"] = number(slot.res);
    j["pan"] = number(slot.pan);
    j["filterMode"] = slot.filterMode.load();
    j["outputPair"] = slot.outputPair.load();
    j["active"] = sounds;
    j["sync"] = slot.sync != 0;
    return j;
}

Json rowJson(const PatternRow& row) {
    Json j = Json::object();
    Json on = Json::array();
    for (int i = 0; i < kSteps; ++i) {
        on.push_back(row.stepOn(i));
    }
    j["stepOn"] = std::move(on);
    for (int k = 0; k < kLanes; ++k) {
        Json lane = Json::array();
        for (int i = 0; i < kSteps; ++i) {
            lane.push_back(number(row.lane(k, i)));
        }
        j[GrooveDocument::kLaneNames[static_cast<std::size_t>(k)]] = std::move(lane);
    }
    return j;
}

// Objects one member per line; arrays of plain values on one line, so a row's lanes read
// as sixteen columns.
void writePretty(const Json& v, int indent, std::string& out) {
    const std::string pad(static_cast<std::size_t>(indent) + 2, ' ');
    const bool flat = v.is_array() && std::none_of(v.begin(), v.end(),
                                                   [](const Json& e) { return e.is_structured(); });
    if (!v.is_structured() || v.empty()) {
        out += v.dump();
    } else if (flat) {
        out += '[';
        for (std::size_t i = 0; i < v.size(); ++i) {
            out += i == 0 ? "" : ", ";
            out += v[i].dump();
        }
        out += ']';
    } else {
        out += v.is_object() ? "{\n" : "[\n";
        bool first = true;
        for (const auto& item : v.items()) {
            out += first ? "" : ",\n";
            first = false;
            out += pad;
            if (v.is_object()) {
                out += Json(item.key()).dump() + ": ";
            }
            writePretty(item.value(), indent + 2, out);
        }
        out += '\n' + std::string(static_cast<std::size_t>(indent), ' ');
        out += v.is_object() ? '}' : ']';
    }
}

} // namespace

std::string GrooveWriter::write(const Sequencer& seq, float stepEditMode, const fs::path& base,
                                Paths paths, std::string& text, const StatePaths* statePaths) {
    Json doc = Json::object();
    doc["format"] = GrooveDocument::kFormat;
    doc["version"] = GrooveDocument::kVersion;
    doc["shuffleAmount"] = number(seq.shuffleAmount);
    doc["stepEditMode"] = number(stepEditMode);
    doc["bank"] = seq.patterns().bank();
    doc["key"] = seq.patterns().key();
    Json slots = Json::array();
    const std::uint32_t silent = seq.slots().silentSlots();
    for (int s = 0; s < kRowSlots; ++s) {
        Json j = slotJson(seq.slots().slot(s), (silent >> s & 1U) == 0, base);
        if (const auto& path = j["samplePath"].get_ref<const std::string&>();
            statePaths != nullptr && !path.empty()) {
            j["samplePath"] = statePaths->toState(path);
        }
        if (paths == Paths::Replaced) {
            j["samplePath"] = validUtf8(j["samplePath"].get<std::string>());
        }
        try {
            (void)j["samplePath"].dump();
        } catch (const Json::type_error&) {
            return "slots[" + std::to_string(s) + "].samplePath: the path is not UTF-8 text";
        }
        slots.push_back(std::move(j));
    }
    doc["slots"] = std::move(slots);
    Json patterns = Json::array();
    for (int p = 0; p < kPatterns; ++p) {
        Json rows = Json::array();
        for (int s = 0; s < kRowSlots; ++s) {
            rows.push_back(rowJson(seq.patterns().row(p, s)));
        }
        Json pattern = Json::object();
        pattern["rows"] = std::move(rows);
        patterns.push_back(std::move(pattern));
    }
    doc["patterns"] = std::move(patterns);
    text.clear();
    writePretty(doc, 0, text);
    text += '\n';
    return {};
}

} // namespace quovent
