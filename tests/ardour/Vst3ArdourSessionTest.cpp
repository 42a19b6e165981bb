// Ardour 7 keeps and plays the VST 3 instrument's groove: its headless Lua interpreter builds
// a MIDI track with the instrument, the session is given a groove as the instrument's state,
// Ardour opens and saves it again (the state comes back unchanged) and its exporter plays it;
// the export sounds as the instrument itself renders that groove.
//
// The bundle is copied into the scratch home's ~/.vst3 (where Ardour looks) and scanned once
// there; HOME and the XDG folders point into the scratch directory. Ardour's tools die of a
// signal now and then, whatever the plug-in: such a run is retried with the session as it was.
#include "tests/chunks/ChunkTestSupport.hpp"
#include "tests/support/ArdourRunner.hpp"
#include "tests/support/Base64.hpp"
#include "tests/support/ProcessRun.hpp"
#include "tests/support/StereoWav.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

namespace quovent::test {
namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 5;
constexpr int kNoteOff = 176400; // where the pattern note script ends its note
// Ardour 7 counts session positions in superclock ticks: 282,240,000 a second.
constexpr long long kSuperclockRate = 282240000;
constexpr float kSoundThreshold = 1.0e-4f; // where an onset begins
// The class id as Ardour writes it.
constexpr const char* kClassId = "6AABEC9557E54A95A2556E750E249129";

void putLittle(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

std::uint64_t getLittle(const std::string& in, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(in.at(at + static_cast<std::size_t>(i)));
    }
    return v;
}

// The preset container Ardour keeps a VST 3 instance's state in: a 48-byte header (tag,
// version, class id, where the chunk list is), the component's state, and the list naming it
// ("Comp") and the controller's (empty, "Cont").
std::string presetOf(const std::string& componentState) {
    std::string out = "VST3";
    putLittle(out, 1, 4);
    out += kClassId;
    putLittle(out, 48 + componentState.size(), 8);
    out += componentState;
    out += "List";
    putLittle(out, 2, 4);
    out += "Comp";
    putLittle(out, 48, 8);
    putLittle(out, componentState.size(), 8);
    out += "Cont";
    putLittle(out, 48 + componentState.size(), 8);
    putLittle(out, 0, 8);
    return out;
}

// The component state in a preset container; nothing when it is not one.
std::optional<std::string> componentStateOf(const std::string& preset) {
    if (preset.size() < 48 || preset.compare(0, 4, "VST3") != 0) {
        return std::nullopt;
    }
    const std::size_t list = getLittle(preset, 40, 8);
    if (list + 8 > preset.size() || preset.compare(list, 4, "List") != 0) {
        return std::nullopt;
    }
    const std::size_t entries = getLittle(preset, list + 4, 4);
    for (std::size_t e = 0; e < entries && list + 28 + e * 20 <= preset.size(); ++e) {
        const std::size_t at = list + 8 + e * 20;
        if (preset.compare(at, 4, "Comp") == 0) {
            const std::size_t offset = getLittle(preset, at + 4, 8);
            const std::size_t size = getLittle(preset, at + 12, 8);
            if (offset + size <= preset.size()) {
                return preset.substr(offset, size);
            }
        }
    }
    return std::nullopt;
}

using ToolRun = ArdourToolRun;

class Vst3ArdourSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        for (const char* tool : {"/usr/bin/ardour7-lua", "/usr/bin/ardour7-export",
                                 "/usr/lib/ardour7/ardour-vst3-scanner"}) {
            ASSERT_EQ(::access(tool, X_OK), 0) << tool << " is missing: run tools/install-deps.sh";
        }
        const fs::path home = dir / "home";
        env = {{"HOME", home.string()},
               {"XDG_CONFIG_HOME", (home / ".config").string()},
               {"XDG_CACHE_HOME", (home / ".cache").string()},
               {"XDG_DATA_HOME", (home / ".local/share").string()},
               {"QUOVENT_SESSION_DIR", session().string()},
               {"QUOVENT_SESSION_NAME", "groove"},
               {"QUOVENT_PLUGIN_TYPE", "VST3"},
               {"LD_LIBRARY_PATH", "/usr/lib/ardour7"}};
        const fs::path scripts = home / ".config/ardour7/scripts";
        fs::create_directories(scripts);
        fs::copy_file(fs::path(QUOVENT_ARDOUR_SCRIPTS) / "quovent_pattern_note.lua",
                      scripts / "quovent_pattern_note.lua");
        // Ardour takes a scan as valid only when it is newer than the bundle's files.
        const fs::path bundle = home / ".vst3/quovent.vst3";
        fs::create_directories(bundle.parent_path());
        fs::copy(Vst3Module::bundlePath(), bundle, fs::copy_options::recursive);
        const auto past = fs::file_time_type::clock::now() - std::chrono::minutes(2);
        fs::last_write_time(bundle, past);
        for (const auto& entry : fs::recursive_directory_iterator(bundle)) {
            fs::last_write_time(entry.path(), past);
        }
        const ToolRun scan =
            ardour({"/usr/lib/ardour7/ardour-vst3-scanner", "-v", "-f", bundle.string()});
        ASSERT_TRUE(scan.clean && scan.exitCode == 0) << scan.output;
    }

    fs::path session() const { return dir / "sessions/groove"; }
    fs::path sessionFile() const { return session() / "groove.ardour"; }

    ToolRun ardour(const std::vector<std::string>& argv) { return runner.run(argv); }

    ToolRun lua(const char* script) {
        return ardour(
            {"/usr/bin/ardour7-lua", (fs::path(QUOVENT_ARDOUR_SCRIPTS) / script).string()});
    }

    // The instrument's state in the saved session; nothing when there is none.
    std::optional<std::string> sessionState() {
        const std::string xml = readText(sessionFile());
        const auto processor = xml.find(std::string("type=\"vst3\" unique-id=\"") + kClassId);
        const auto begin = xml.find("<chunk>", processor);
        const auto end = xml.find("</chunk>", begin);
        if (processor == std::string::npos || begin == std::string::npos ||
            end == std::string::npos) {
            return std::nullopt;
        }
        const std::optional<std::string> preset =
            base64Decode(xml.substr(begin + 7, end - begin - 7));
        if (!preset) {
            return std::nullopt;
        }
        return componentStateOf(*preset);
    }

    // A groove whose every slot plays on the main bus, pattern 0 current, in the
    // instrument's own text.
    std::string groove() {
        std::string state = richState(dir.path() / "samples");
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"\"outputPair\": 2", "\"outputPair\": 1"},
              {"\"bank\": 1, \"key\": 1,", "\"bank\": 0, \"key\": 0,"}}) {
            const auto at = state.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos) {
                state.replace(at, from.size(), to);
            }
        }
        Vst3Module module;
        Vst3Instance plugin(module);
        EXPECT_EQ(plugin.setState(state), vst3::kResultOk);
        return plugin.state().value_or("");
    }

    ScratchDir dir;
    std::map<std::string, std::string> env;
    ArdourRunner runner{dir.path(), session(), env};
};

TEST_F(Vst3ArdourSession, KeepsTheGrooveThroughSavingAndReopeningAndExportsIt) {
    const std::string state = groove();
    ASSERT_FALSE(state.empty());
    const ToolRun created = lua("create-session.lua");
    ASSERT_NE(created.output.find("QUOVENT-CREATED"), std::string::npos) << created.output;

    // The groove as the instance's state; the parameter values Ardour wrote for the old
    // state go, so that only the state speaks. A session range of kSeconds to export.
    std::string xml = readText(sessionFile());
    const auto processor = xml.find(std::string("type=\"vst3\" unique-id=\"") + kClassId);
    ASSERT_NE(processor, std::string::npos) << "the session holds no VST 3 instrument";
    const auto begin = xml.find("<chunk>", processor);
    const auto end = xml.find("</chunk>", begin);
    ASSERT_NE(end, std::string::npos) << "the instrument's state is not in the session";
    xml.replace(begin + 7, end - begin - 7, base64Encode(presetOf(state)));
    for (auto port = xml.find("<Port id=", processor); port != std::string::npos && port < begin;
         port = xml.find("<Port id=", processor)) {
        xml.erase(port, xml.find("/>", port) + 2 - port);
    }
    const auto locations = xml.find("<Locations/>");
    ASSERT_NE(locations, std::string::npos);
    xml.replace(locations, std::string("<Locations/>").size(),
                "<Locations>\n    <Location id=\"90000\" name=\"session\" start=\"a0\" end=\"a" +
                    std::to_string(kSeconds * kSuperclockRate) +
                    "\" flags=\"IsSessionRange\" locked=\"0\" timestamp=\"1\"/>\n  </Locations>");
    writeText(sessionFile(), xml);

    const ToolRun saved = lua("resave-session.lua");
    ASSERT_NE(saved.output.find("QUOVENT-SAVED"), std::string::npos) << saved.output;
    const std::optional<std::string> kept = sessionState();
    ASSERT_TRUE(kept.has_value()) << "the saved session holds no state";
    EXPECT_TRUE(*kept == state) << "the state changed on its way through Ardour";

    const fs::path wav = dir / "export.wav";
    const ToolRun exported = ardour({"/usr/bin/ardour7-export", "-b", "float", "-o", wav.string(),
                                     session().string(), "groove"});
    ASSERT_EQ(exported.exitCode, 0) << exported.output;
    std::vector<float> left;
    std::vector<float> right;
    ASSERT_TRUE(readFloatStereo(wav, left, right)) << exported.output;
    ASSERT_EQ(left.size(), static_cast<std::size_t>(kSeconds * kRate));

    // The same groove and notes through the bundle in our own host: the main bus.
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_EQ(plugin.setUp(kRate, 1024), vst3::kResultOk);
    ASSERT_EQ(plugin.setState(state), vst3::kResultOk);
    std::vector<float> refLeft;
    std::vector<float> refRight;
    Vst3OutputBuffers out(1024);
    for (int block = 0; block * 1024 < kSeconds * kRate; ++block) {
        Vst3EventList events;
        if (block == 0) {
            events.add(Vst3EventList::noteOn(0, 14, 60, 1.0f));
        }
        if (block * 1024 <= kNoteOff && kNoteOff < (block + 1) * 1024) {
            events.add(Vst3EventList::noteOff(kNoteOff - block * 1024, 14, 60));
        }
        ASSERT_EQ(plugin.processAtTempo(out, 120.0, &events), vst3::kResultOk);
        refLeft.insert(refLeft.end(), out.channel(0), out.channel(0) + 1024);
        refRight.insert(refRight.end(), out.channel(1), out.channel(1) + 1024);
    }

    // Ardour delivers the note a little late: compare from the onsets.
    const std::size_t onset = firstSound(left, kSoundThreshold);
    ASSERT_LT(onset, 2048u) << "Ardour played nothing near the start";
    ASSERT_EQ(firstSound(refLeft, kSoundThreshold), 0u);
    const std::size_t length = left.size() - onset;
    float peak = 0.0f;
    float exportPeak = 0.0f;
    float worst = 0.0f;
    for (std::size_t i = 0; i < length; ++i) {
        peak = std::max(peak, std::fabs(refLeft[i]));
        exportPeak =
            std::max({exportPeak, std::fabs(left[onset + i]), std::fabs(right[onset + i])});
        worst = std::max({worst, std::fabs(left[onset + i] - refLeft[i]),
                          std::fabs(right[onset + i] - refRight[i])});
    }
    std::printf("Ardour plays the VST 3 note %zu frames late; export peak %g, largest "
                "difference %g (peak %g)\n",
                onset, static_cast<double>(exportPeak), static_cast<double>(worst),
                static_cast<double>(peak));
    EXPECT_GT(peak, 0.2f);
    EXPECT_GT(exportPeak, 0.2f);
    EXPECT_LT(worst, peak * 1.0e-3f) << "Ardour's rendering differs from the instrument's own";
}

} // namespace
} // namespace quovent::test
