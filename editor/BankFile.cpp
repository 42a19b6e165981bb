#include "editor/BankFile.hpp"

#include "editor/Editor.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/NativePath.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>

namespace quovent {

namespace {

namespace fs = std::filesystem;
using platform::NativePath;
using Json = nlohmann::ordered_json;

constexpr int kRowSlots = capacity::kRowSlots;
constexpr int kSteps = capacity::kSteps;
constexpr int kLanes = capacity::kLanes;
constexpr int kPatterns = capacity::kPatterns;
constexpr std::array<const char*, kLanes> kLaneNames{"vol", "tune", "freq", "res", "pan"};

// The staging copy of a bank. Its defaults are those of a freshly created model, so that
// whatever a file leaves out comes out as in a new instance.
struct SlotData {
    std::string samplePath; // full path; empty for no sample
    float volume = 0.65f;
    float length = 1.0f;
    float tune = 0.5f;
    float freq = 1.0f;
    float res = 0.0f;
    float pan = 0.5f;
    int filterMode = 0;
    int outputPair = 1;
    bool active = true;
    bool sync = false;
};

struct RowData {
    std::array<bool, kSteps> stepOn{};
    std::array<std::array<float, kSteps>, kLanes> lanes{};
    RowData() {
        for (int k = 0; k < kLanes; ++k) {
            lanes[k].fill(PatternRow::kLaneDefault[k]);
        }
    }
};

struct BankData {
    float shuffleAmount = 0.0f;
    float stepEditMode = 0.0f;
    int bank = 0;
    int key = 0;
    std::array<SlotData, kRowSlots> slots;
    std::array<std::array<RowData, kRowSlots>, kPatterns> patterns;
};

std::string supportedVersions() {
    const std::string last = std::to_string(BankFile::kVersion);
    return BankFile::kFirstVersion == BankFile::kVersion
               ? last
               : std::to_string(BankFile::kFirstVersion) + " to " + last;
}

std::string indexed(const std::string& where, std::size_t i) {
    return where + "[" + std::to_string(i) + "]";
}

std::string member(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
}

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
class BankReader {
public:
    // An empty base directory: every sample path must be absolute (the host's saved state
    // has no file a relative path could be relative to).
    explicit BankReader(fs::path baseDirectory) : base_(std::move(baseDirectory)) {}

    bool read(const Json& doc, BankData& out) {
        if (!doc.is_object()) {
            return fail("bank", "expected a JSON object");
        }
        if (!knownKeys(doc, "",
                       {"format", "version", "shuffleAmount", "stepEditMode", "bank", "key",
                        "slots", "patterns"})) {
            return false;
        }
        if (!identity(doc)) {
            return false;
        }
        return optionalControl(doc, "", "shuffleAmount", out.shuffleAmount) &&
               optionalControl(doc, "", "stepEditMode", out.stepEditMode) &&
               optionalInteger(doc, "", "bank", 0, capacity::kPatternBanks - 1, out.bank) &&
               optionalInteger(doc, "", "key", 0, capacity::kPatternKeys - 1, out.key) &&
               slots(doc, out) && patterns(doc, out);
    }

    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& where, const std::string& what) {
        error_ = where + ": " + what;
        return false;
    }

    // A misspelt key would silently fall back to a default; naming it is kinder.
    bool knownKeys(const Json& object, const std::string& where,
                   std::initializer_list<const char*> keys) {
        for (const auto& item : object.items()) {
            bool known = false;
            for (const char* k : keys) {
                known = known || item.key() == k;
            }
            if (!known) {
                return fail(member(where, item.key()), "unknown field");
            }
        }
        return true;
    }

    bool identity(const Json& doc) {
        const auto format = doc.find("format");
        if (format == doc.end() || !format->is_string() || *format != BankFile::kFormat) {
            return fail("format", std::string("expected \"") + BankFile::kFormat + "\"");
        }
        const auto version = doc.find("version");
        if (version == doc.end() || !version->is_number_integer()) {
            return fail("version", "expected the integer " + std::to_string(BankFile::kVersion));
        }
        // Every earlier version stays readable; a later one is refused whole rather than
        // read in part.
        if (*version < BankFile::kFirstVersion || *version > BankFile::kVersion) {
            return fail("version", "version " + version->dump() + " is not supported (expected " +
                                       supportedVersions() + ")");
        }
        return true;
    }

    bool control(const Json& v, const std::string& where, float& out) {
        if (!v.is_number() || v.get<double>() < 0.0 || v.get<double>() > 1.0) {
            return fail(where, "expected a number from 0 to 1");
        }
        out = static_cast<float>(v.get<double>());
        return true;
    }

    bool integer(const Json& v, const std::string& where, int lo, int hi, int& out) {
        if (!v.is_number_integer() || v.get<std::int64_t>() < lo || v.get<std::int64_t>() > hi) {
            return fail(where, "expected an integer from " + std::to_string(lo) + " to " +
                                   std::to_string(hi));
        }
        out = static_cast<int>(v.get<std::int64_t>());
        return true;
    }

    bool flag(const Json& v, const std::string& where, bool& out) {
        if (!v.is_boolean()) {
            return fail(where, "expected true or false");
        }
        out = v.get<bool>();
        return true;
    }

    bool optionalControl(const Json& obj, const std::string& where, const char* key, float& out) {
        const auto it = obj.find(key);
        return it == obj.end() || control(*it, member(where, key), out);
    }

    bool optionalInteger(const Json& obj, const std::string& where, const char* key, int lo, int hi,
                         int& out) {
        const auto it = obj.find(key);
        return it == obj.end() || integer(*it, member(where, key), lo, hi, out);
    }

    bool optionalFlag(const Json& obj, const std::string& where, const char* key, bool& out) {
        const auto it = obj.find(key);
        return it == obj.end() || flag(*it, member(where, key), out);
    }

    // An optional array of at most maxCount entries; null when absent.
    bool optionalArray(const Json& obj, const std::string& where, const char* key,
                       std::size_t maxCount, const Json*& out) {
        const auto it = obj.find(key);
        out = nullptr;
        if (it == obj.end()) {
            return true;
        }
        if (!it->is_array() || it->size() > maxCount) {
            return fail(member(where, key),
                        "expected an array of at most " + std::to_string(maxCount) + " entries");
        }
        out = &*it;
        return true;
    }

    bool slots(const Json& doc, BankData& out) {
        const Json* list = nullptr;
        if (!optionalArray(doc, "", "slots", kRowSlots, list)) {
            return false;
        }
        for (std::size_t s = 0; list != nullptr && s < list->size(); ++s) {
            if (!slot((*list)[s], indexed("slots", s), out.slots[s])) {
                return false;
            }
        }
        return true;
    }

    bool slot(const Json& v, const std::string& where, SlotData& out) {
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
    bool samplePath(const Json& obj, const std::string& where, std::string& out) {
        const auto it = obj.find("samplePath");
        if (it == obj.end()) {
            return true;
        }
        const std::string field = member(where, "samplePath");
        if (!it->is_string()) {
            return fail(field, "expected a string");
        }
        const auto& text = it->get_ref<const std::string&>();
        if (text.empty() || Slot::isPlaceholder(text)) {
            return true;
        }
        if (text.find('\0') != std::string::npos) {
            return fail(field, "a path cannot contain a zero character");
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

    bool patterns(const Json& doc, BankData& out) {
        const Json* list = nullptr;
        if (!optionalArray(doc, "", "patterns", kPatterns, list)) {
            return false;
        }
        for (std::size_t p = 0; list != nullptr && p < list->size(); ++p) {
            const std::string where = indexed("patterns", p);
            const Json& pattern = (*list)[p];
            if (!pattern.is_object()) {
                return fail(where, "expected an object");
            }
            const Json* rows = nullptr;
            if (!knownKeys(pattern, where, {"rows"}) ||
                !optionalArray(pattern, where, "rows", kRowSlots, rows)) {
                return false;
            }
            for (std::size_t s = 0; rows != nullptr && s < rows->size(); ++s) {
                if (!row((*rows)[s], indexed(member(where, "rows"), s), out.patterns[p][s])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool row(const Json& v, const std::string& where, RowData& out) {
        if (!v.is_object()) {
            return fail(where, "expected an object");
        }
        if (!knownKeys(v, where, {"stepOn", "vol", "tune", "freq", "res", "pan"})) {
            return false;
        }
        if (const auto it = v.find("stepOn"); it != v.end()) {
            const std::string field = member(where, "stepOn");
            if (!fullLane(*it, field)) {
                return false;
            }
            for (int i = 0; i < kSteps; ++i) {
                if (!flag((*it)[i], indexed(field, i), out.stepOn[i])) {
                    return false;
                }
            }
        }
        for (int k = 0; k < kLanes; ++k) {
            const auto it = v.find(kLaneNames[k]);
            if (it == v.end()) {
                continue;
            }
            const std::string field = member(where, kLaneNames[k]);
            if (!fullLane(*it, field)) {
                return false;
            }
            for (int i = 0; i < kSteps; ++i) {
                if (!control((*it)[i], indexed(field, i), out.lanes[k][i])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool fullLane(const Json& v, const std::string& where) {
        if (!v.is_array() || v.size() != static_cast<std::size_t>(kSteps)) {
            return fail(where, "expected an array of " + std::to_string(kSteps) + " entries");
        }
        return true;
    }

    fs::path base_;
    std::string error_;
};

// Parses and checks bank text; the staging copy is valid only when the result is empty.
std::string stage(std::string_view text, const fs::path& baseDirectory, BankData& out) {
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
    BankReader reader(baseDirectory);
    return reader.read(doc, out) ? std::string() : reader.error();
}

fs::path directoryOf(const fs::path& file) {
    std::error_code ec;
    fs::path full = fs::absolute(file, ec);
    if (ec) {
        full = file;
    }
    return full.lexically_normal().parent_path();
}

bool readWhole(const fs::path& file, std::string& text, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(file, ec)) {
        error = NativePath::toUtf8(file) + ": is a directory";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = NativePath::toUtf8(file) + ": " + std::strerror(errno);
        return false;
    }
    // One byte past the limit is enough to know the file is too large.
    text.resize(capacity::kBankFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = NativePath::toUtf8(file) + ": read error";
        return false;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    return true;
}

// Missing samples are silenced rather than left playing the slot's previous sound: the
// imported bank should sound like the file says, and a slot whose file is gone is silent. The
// slot keeps the path and is marked missing, so the name display says so and relocation can
// find the file. A loaded sample's directory becomes the slot's file list, as for a file
// dropped on the slot, so stepping through the neighbouring files works at once.
//
// No view is touched here: a restore may run on a host thread other than the editor's, and
// whoever applied the bank shows the model afterwards on the editor thread.
bool loadSlotSample(Slot& slot, const std::string& path) {
    // A frame count of 0 silences the slot at once (from the next block on nothing plays
    // beyond it). Clearing touches only what the old sample wrote and gives its memory back,
    // so a slot whose file is missing holds nothing.
    slot.sample.setFrameCount(0);
    slot.sample.setSampleRate(0);
    slot.sample.clearSample();
    slot.directory.forget();
    slot.fileIndex = 0;
    if (path.empty()) {
        slot.assignSamplePath(Slot::kPlaceholderPath);
        return true;
    }
    slot.assignSamplePath(path);
    if (!slot.sample.loadSample(path.c_str())) {
        slot.markSampleMissing();
        return false;
    }
    if (slot.directory.setDirectory(SampleDirectory::parentOf(path)) && slot.directory.scan() > 0) {
        slot.fileIndex = std::max(0, slot.directory.indexOf(path));
    }
    return true;
}

void applyRow(PatternRow& row, const RowData& data) {
    for (int i = 0; i < kSteps; ++i) {
        row.setStep(i, data.stepOn[i]);
        for (int k = 0; k < kLanes; ++k) {
            row.setLane(k, i, data.lanes[k][i]);
        }
    }
}

void apply(Editor& editor, const BankData& data, std::vector<std::string>& missing) {
    Sequencer& seq = editor.sequencer();
    const double samplesPerStep = editor.samplesPerStep();
    for (int s = 0; s < kRowSlots; ++s) {
        const SlotData& d = data.slots[s];
        Slot& slot = seq.slots().slot(s);
        // Solo is not part of a bank; the imported mute states stand on their own.
        slot.solo = 0;
        editor.savedActive[s] = d.active ? 1 : 0;
        slot.volume = d.volume;
        slot.length = d.length;
        slot.tune = d.tune;
        slot.freq = d.freq;
        slot.res = d.res;
        slot.pan = d.pan;
        slot.filterMode = d.filterMode;
        slot.setOutputPair(d.outputPair);
        slot.active = d.active ? 1 : 0;
        slot.sync = 0; // switched on below, once the sample's length is known
        slot.syncIncrement = 1.0f;
        if (!loadSlotSample(slot, d.samplePath)) {
            missing.push_back(d.samplePath);
        }
        slot.setSync(d.sync, samplesPerStep);
    }
    for (int p = 0; p < kPatterns; ++p) {
        for (int s = 0; s < kRowSlots; ++s) {
            applyRow(seq.patterns().row(p, s), data.patterns[p][s]);
        }
    }
    seq.shuffleAmount = data.shuffleAmount;
    editor.stepEditMode = data.stepEditMode;
    editor.selectPattern(data.bank, data.key);
}

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

Json slotJson(const Slot& slot, const fs::path& base) {
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
    j["active"] = slot.active != 0;
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
        j[kLaneNames[k]] = std::move(lane);
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

std::string BankFile::check(std::string_view text, const fs::path& baseDirectory) {
    auto data = std::make_unique<BankData>();
    return stage(text, baseDirectory, *data);
}

BankImportResult BankFile::importBank(Editor& editor, const fs::path& file) {
    BankImportResult result;
    std::string text;
    if (!readWhole(file, text, result.error)) {
        return result;
    }
    auto data = std::make_unique<BankData>();
    result.error = stage(text, directoryOf(file), *data);
    if (!result.error.empty()) {
        return result;
    }
    apply(editor, *data, result.missingSamples);
    result.ok = true;
    return result;
}

BankImportResult BankFile::restoreState(Editor& editor, std::string_view text) {
    BankImportResult result;
    auto data = std::make_unique<BankData>();
    result.error = stage(text, fs::path(), *data);
    if (!result.error.empty()) {
        return result;
    }
    apply(editor, *data, result.missingSamples);
    result.ok = true;
    return result;
}

std::string BankFile::stateText(const Editor& editor) {
    std::string text;
    writeText(editor, fs::path(), PathText::Replaced, text);
    return text;
}

BankExportResult BankFile::toText(const Editor& editor, const fs::path& baseDirectory,
                                  std::string& text) {
    return writeText(editor, baseDirectory.lexically_normal(), PathText::Checked, text);
}

BankExportResult BankFile::writeText(const Editor& editor, const fs::path& base, PathText paths,
                                     std::string& text) {
    const Sequencer& seq = editor.sequencer();
    Json doc = Json::object();
    doc["format"] = kFormat;
    doc["version"] = kVersion;
    doc["shuffleAmount"] = number(seq.shuffleAmount);
    doc["stepEditMode"] = number(editor.stepEditMode);
    doc["bank"] = seq.patterns().bank();
    doc["key"] = seq.patterns().key();
    Json slots = Json::array();
    for (int s = 0; s < kRowSlots; ++s) {
        Json j = slotJson(seq.slots().slot(s), base);
        if (paths == PathText::Replaced) {
            j["samplePath"] = validUtf8(j["samplePath"].get<std::string>());
        }
        try {
            (void)j["samplePath"].dump();
        } catch (const Json::type_error&) {
            return {false, indexed("slots", s) + ".samplePath: the path is not UTF-8 text"};
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
    return {true, {}};
}

BankExportResult BankFile::exportBank(const Editor& editor, const fs::path& file) {
    std::string text;
    BankExportResult result = toText(editor, directoryOf(file), text);
    if (!result.ok) {
        return result;
    }
    result.error = AtomicFile::write(file, text);
    result.ok = result.error.empty();
    return result;
}

} // namespace quovent
