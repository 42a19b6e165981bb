#include "instrument/GrooveReader.hpp"

#include "engine/Slot.hpp"
#include "platform/NativePath.hpp"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>

namespace quovent {

namespace {

namespace fs = std::filesystem;
using platform::NativePath;
using Json = nlohmann::ordered_json;

constexpr int kRowSlots = capacity::kRowSlots;
constexpr int kSteps = capacity::kSteps;
constexpr int kLanes = capacity::kLanes;
constexpr int kPatterns = capacity::kPatterns;

std::string supportedVersions() {
    const std::string last = std::to_string(GrooveDocument::kVersion);
    return GrooveDocument::kFirstVersion == GrooveDocument::kVersion
               ? last
               : std::to_string(GrooveDocument::kFirstVersion) + " to " + last;
}
// Where a value lies in the document ("patterns[3].rows[2].vol[7]"), as a chain of parts on
// the reader's stack; the text is made only for a refusal.
class Where {
public:
    // The whole document, whose members are named alone.
    Where() = default;
    Where(const Where& parent, const char* key) : parent_(&parent), key_(key) {}
    Where(const Where& parent, std::size_t index) : parent_(&parent), index_(index) {}

    std::string text() const {
        if (parent_ == nullptr) {
            return {};
        }
        std::string out = parent_->text();
        if (key_ == nullptr) {
            return out + "[" + std::to_string(index_) + "]";
        }
        return out.empty() ? std::string(key_) : out + "." + key_;
    }

private:
    const Where* parent_ = nullptr;
    const char* key_ = nullptr; // null for an entry of an array
    std::size_t index_ = 0;
};

// Deeply nested input is refused before the parser sees it: counts brackets outside
// strings. Malformed text passes through to the parser, which names the fault.
bool nestingWithin(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

// Reads a parsed document into the staging copy, stopping at the first fault.
class DocumentReader {
public:
    // An empty base directory: every sample path must be absolute (the host's saved state
    // has no file a relative path could be relative to).
    DocumentReader(fs::path baseDirectory, const StatePaths* statePaths)
        : base_(std::move(baseDirectory)), statePaths_(statePaths) {}

    bool read(const Json& doc, GrooveDocument& out) {
        if (!doc.is_object()) {
            return fail("bank", "expected a JSON object");
        }
        if (!knownKeys(doc, document_,
                       {"format", "version", "shuffleAmount", "stepEditMode", "bank", "key",
                        "slots", "patterns"})) {
            return false;
        }
        if (!identity(doc)) {
            return false;
        }
        return optionalControl(doc, document_, "shuffleAmount", out.shuffleAmount) &&
               optionalControl(doc, document_, "stepEditMode", out.stepEditMode) &&
               optionalInteger(doc, document_, "bank", 0, capacity::kPatternBanks - 1, out.bank) &&
               optionalInteger(doc, document_, "key", 0, capacity::kPatternKeys - 1, out.key) &&
               slots(doc, out) && patterns(doc, out);
    }

    const std::string& error() const { return error_; }

private:
    bool fail(const Where& where, const std::string& what) { return fail(where.text(), what); }
    bool fail(const std::string& where, const std::string& what) {
        error_ = where + ": " + what;
        return false;
    }

    // A misspelt key would silently fall back to a default; naming it is kinder.
    bool knownKeys(const Json& object, const Where& where,
                   std::initializer_list<const char*> keys) {
        for (const auto& item : object.items()) {
            bool known = false;
            for (const char* k : keys) {
                known = known || item.key() == k;
            }
            if (!known) {
                const std::string at = where.text();
                return fail(at.empty() ? item.key() : at + "." + item.key(), "unknown field");
            }
        }
        return true;
    }

    bool identity(const Json& doc) {
        const auto format = doc.find("format");
        if (format == doc.end() || !format->is_string() || *format != GrooveDocument::kFormat) {
            return fail("format", std::string("expected \"") + GrooveDocument::kFormat + "\"");
        }
        const auto version = doc.find("version");
        if (version == doc.end() || !version->is_number_integer()) {
            return fail("version",
                        "expected the integer " + std::to_string(GrooveDocument::kVersion));
        }
        // Every earlier version stays readable; a later one is refused whole rather than
        // read in part.
        if (*version < GrooveDocument::kFirstVersion || *version > GrooveDocument::kVersion) {
            return fail("version", "version " + version->dump() + " is not supported (expected " +
                                       supportedVersions() + ")");
        }
        return true;
    }

    bool control(const Json& v, const Where& where, float& out) {
        if (!v.is_number() || v.get<double>() < 0.0 || v.get<double>() > 1.0) {
            return fail(where, "expected a number from 0 to 1");
        }
        out = static_cast<float>(v.get<double>());
        return true;
    }

    bool integer(const Json& v, const Where& where, int lo, int hi, int& out) {
        if (!v.is_number_integer() || v.get<std::int64_t>() < lo || v.get<std::int64_t>() > hi) {
            return fail(where, "expected an integer from " + std::to_string(lo) + " to " +
                                   std::to_string(hi));
        }
        out = static_cast<int>(v.get<std::int64_t>());
        return true;
    }

    bool flag(const Json& v, const Where& where, bool& out) {
        if (!v.is_boolean()) {
            return fail(where, "expected true or false");
        }
        out = v.get<bool>();
        return true;
    }

    bool optionalControl(const Json& obj, const Where& where, const char* key, float& out) {
        const auto it = obj.find(key);
        return it == obj.end() || control(*it, Where(where, key), out);
    }

    bool optionalInteger(const Json& obj, const Where& where, const char* key, int lo, int hi,
                         int& out) {
        const auto it = obj.find(key);
        return it == obj.end() || integer(*it, Where(where, key), lo, hi, out);
    }

    bool optionalFlag(const Json& obj, const Where& where, const char* key, bool& out) {
        const auto it = obj.find(key);
        return it == obj.end() || flag(*it, Where(where, key), out);
    }

    // An optional array of at most maxCount entries; null when absent.
    bool optionalArray(const Json& obj, const Where& where, const char* key, std::size_t maxCount,
                       const Json*& out) {
        const auto it = obj.find(key);
        out = nullptr;
        if (it == obj.end()) {
            return true;
        }
        if (!it->is_array() || it->size() > maxCount) {
            return fail(Where(where, key),
                        "expected an array of at most " + std::to_string(maxCount) + " entries");
        }
        out = &*it;
        return true;
    }

    bool slots(const Json& doc, GrooveDocument& out) {
        const Json* list = nullptr;
        const Where slotList(document_, "slots");
        if (!optionalArray(doc, document_, "slots", kRowSlots, list)) {
            return false;
        }
        for (std::size_t s = 0; list != nullptr && s < list->size(); ++s) {
            if (!slot((*list)[s], Where(slotList, s), out.slots[s])) {
                return false;
            }
        }
        return true;
    }

    bool slot(const Json& v, const Where& where, SlotDocument& out) {
        if (!v.is_object()) {
            return fail(where, "expected an object");
        }
        return knownKeys(v, where,
                         {"samplePath", "volume", "length", "tune", "freq", "res", "pan",
                          "filterMode", "outputPair", "active", "sync"}) &&
               samplePath(v, where, out.samplePath) &&
               optionalControl(v, where, "volume", out.volume) &&
               optionalControl(v, where, "length", out.length) &&
               optionalControl(v, where, "tune", out.tune) &&
               optionalControl(v, where, "freq", out.freq) &&
               optionalControl(v, where, "res", out.res) &&
               optionalControl(v, where, "pan", out.pan) &&
               optionalInteger(v, where, "filterMode", 0, 3, out.filterMode) &&
               optionalInteger(v, where, "outputPair", Slot::kMinOutputPair, Slot::kMaxOutputPair,
                               out.outputPair) &&
               optionalFlag(v, where, "active", out.active) &&
               optionalFlag(v, where, "sync", out.sync);
    }

    // "" and the slot placeholder text mean no sample; a relative path is relative to the
    // bank file's directory.
    bool samplePath(const Json& obj, const Where& where, std::string& out) {
        const auto it = obj.find("samplePath");
        if (it == obj.end()) {
            return true;
        }
        const Where field(where, "samplePath");
        if (!it->is_string()) {
            return fail(field, "expected a string");
        }
        const auto& stored = it->get_ref<const std::string&>();
        if (stored.empty() || Slot::isPlaceholder(stored)) {
            return true;
        }
        if (stored.find('\0') != std::string::npos) {
            return fail(field, "a path cannot contain a zero character");
        }
        const std::string text = statePaths_ != nullptr ? statePaths_->fromState(stored) : stored;
        if (text.empty() || text.find('\0') != std::string::npos) {
            return fail(field, "the host gives no usable path for it");
        }
        fs::path path = NativePath::fromUtf8(text);
        if (path.is_relative()) {
            if (base_.empty()) {
                return fail(field, "expected an absolute path");
            }
            path = base_ / path;
        }
        out = NativePath::toUtf8(path.lexically_normal());
        if (out.size() > capacity::kBankSamplePath) {
            return fail(field,
                        "path longer than " + std::to_string(capacity::kBankSamplePath) + " bytes");
        }
        return true;
    }

    bool patterns(const Json& doc, GrooveDocument& out) {
        const Json* list = nullptr;
        const Where patternList(document_, "patterns");
        if (!optionalArray(doc, document_, "patterns", kPatterns, list)) {
            return false;
        }
        for (std::size_t p = 0; list != nullptr && p < list->size(); ++p) {
            const Where where(patternList, p);
            const Json& pattern = (*list)[p];
            if (!pattern.is_object()) {
                return fail(where, "expected an object");
            }
            const Json* rows = nullptr;
            if (!knownKeys(pattern, where, {"rows"}) ||
                !optionalArray(pattern, where, "rows", kRowSlots, rows)) {
                return false;
            }
            const Where rowList(where, "rows");
            for (std::size_t s = 0; rows != nullptr && s < rows->size(); ++s) {
                if (!row((*rows)[s], Where(rowList, s), out.patterns[p][s])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool row(const Json& v, const Where& where, RowDocument& out) {
        if (!v.is_object()) {
            return fail(where, "expected an object");
        }
        if (!knownKeys(v, where, {"stepOn", "vol", "tune", "freq", "res", "pan"})) {
            return false;
        }
        if (const auto it = v.find("stepOn"); it != v.end()) {
            const Where field(where, "stepOn");
            if (!fullLane(*it, field)) {
                return false;
            }
            for (int i = 0; i < kSteps; ++i) {
                if (!flag((*it)[i], Where(field, static_cast<std::size_t>(i)), out.stepOn[i])) {
                    return false;
                }
            }
        }
        for (int k = 0; k < kLanes; ++k) {
            const auto it = v.find(GrooveDocument::kLaneNames[static_cast<std::size_t>(k)]);
            if (it == v.end()) {
                continue;
            }
            const Where field(where, GrooveDocument::kLaneNames[static_cast<std::size_t>(k)]);
            if (!fullLane(*it, field)) {
                return false;
            }
            for (int i = 0; i < kSteps; ++i) {
                if (!control((*it)[i], Where(field, static_cast<std::size_t>(i)),
                             out.lanes[k][i])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool fullLane(const Json& v, const Where& where) {
        if (!v.is_array() || v.size() != static_cast<std::size_t>(kSteps)) {
            return fail(where, "expected an array of " + std::to_string(kSteps) + " entries");
        }
        return true;
    }

    const Where document_;
    fs::path base_;
    const StatePaths* statePaths_;
    std::string error_;
};

} // namespace

std::string GrooveReader::read(std::string_view text, const fs::path& baseDirectory,
                               GrooveDocument& out, const StatePaths* statePaths) {
    if (text.size() > capacity::kBankFileBytes) {
        return "bank: file larger than " + std::to_string(capacity::kBankFileBytes) + " bytes";
    }
    if (!nestingWithin(text, capacity::kBankNesting)) {
        return "bank: nested deeper than " + std::to_string(capacity::kBankNesting) + " levels";
    }
    Json doc;
    try {
        doc = Json::parse(text);
    } catch (const Json::exception& e) {
        // what() reads "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
        // or, for a number too large for a double, "[json.exception.out_of_range.406] ...".
        std::string what = e.what();
        const auto cut = what.find("] ");
        return "bank: not valid JSON (" + (cut == std::string::npos ? what : what.substr(cut + 2)) +
               ")";
    }
    DocumentReader reader(baseDirectory, statePaths);
    return reader.read(doc, out) ? std::string() : reader.error();
}

} // namespace quovent
