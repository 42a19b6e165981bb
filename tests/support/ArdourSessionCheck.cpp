#include "tests/support/ArdourSessionCheck.hpp"

#include "tests/support/Base64.hpp"
#include "tests/support/HostSong.hpp"
#include "tests/support/HostTake.hpp"
#include "tests/support/StereoWav.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace fs = std::filesystem;

namespace quovent::test {

namespace {

// Ardour's headless export runs the plug-in in cycles of 1024 frames, the first of which ends
// 256 frames into the session (found with VST 2, whose note-offs act from the start of their
// cycle: no other first cycle renders its export).
constexpr int kArdourBlock = 1024;
constexpr int kArdourFirstBlock = 256;
// Ids of the song's MIDI source and region, far above any Ardour gives a new session.
constexpr const char* kSourceId = "900000001";
constexpr const char* kRegionId = "900000002";

void replaceOnce(std::string& xml, const std::string& from, const std::string& to) {
    const auto at = xml.find(from);
    ASSERT_NE(at, std::string::npos) << "the session has no " << from;
    xml.replace(at, from.size(), to);
}

// The song's last event at or before `frame`, for a message.
std::string eventBefore(std::int64_t frame) {
    std::string text = "before the first event";
    for (const SongEvent& e : HostSong::events()) {
        if (HostSong::frameOf(e.tick) <= frame) {
            char line[96];
            std::snprintf(line, sizeof line, "after the %02x %d %d at frame %lld", e.midi[0],
                          e.midi[1], e.midi[2], static_cast<long long>(HostSong::frameOf(e.tick)));
            text = line;
        }
    }
    return text;
}

} // namespace

ArdourSessionCheck::ArdourSessionCheck() : runner_(dir_.path(), session(), env_) {}

ArdourSessionCheck::~ArdourSessionCheck() {
    std::printf("Ardour: %d runs retried after dying of a signal\n", runner_.retries());
}

void ArdourSessionCheck::copyBackDated(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy(from, to, fs::copy_options::recursive);
    const auto past = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    fs::last_write_time(to, past);
    if (fs::is_directory(to)) {
        for (const auto& entry : fs::recursive_directory_iterator(to)) {
            fs::last_write_time(entry.path(), past);
        }
    }
}

std::optional<std::pair<std::size_t, std::size_t>>
ArdourSessionCheck::chunkIn(const std::string& xml, const std::string& processor,
                            const std::string& open) {
    const auto at = xml.find(processor);
    const auto begin = at == std::string::npos ? at : xml.find(open, at);
    const auto end = begin == std::string::npos ? begin : xml.find("</chunk>", begin);
    if (end == std::string::npos) {
        return std::nullopt;
    }
    return std::make_pair(begin + open.size(), end - begin - open.size());
}

std::optional<std::string> ArdourSessionCheck::keptChunk(const std::string& processor,
                                                         const std::string& open) {
    const std::string xml = readText(sessionFile());
    const auto chunk = chunkIn(xml, processor, open);
    return chunk ? base64Decode(xml.substr(chunk->first, chunk->second)) : std::nullopt;
}

ArdourToolRun ArdourSessionCheck::lua(const char* script) {
    return ardour({"/usr/bin/ardour7-lua", (fs::path(QUOVENT_ARDOUR_SCRIPTS) / script).string()});
}

void ArdourSessionCheck::run(ArdourPluginFormat& format) {
    for (const char* tool : {"/usr/bin/ardour7-lua", "/usr/bin/ardour7-export"}) {
        if (::access(tool, X_OK) != 0) {
            ASSERT_EQ(std::getenv("CI"), nullptr) << tool << " is missing under CI";
            GTEST_SKIP() << tool << " is missing: tools/install-deps.sh installs it";
        }
    }
    env_ = {{"HOME", home().string()},
            {"XDG_CONFIG_HOME", (home() / ".config").string()},
            {"XDG_CACHE_HOME", (home() / ".cache").string()},
            {"XDG_DATA_HOME", (home() / ".local/share").string()},
            {"QUOVENT_SESSION_DIR", session().string()},
            {"QUOVENT_SESSION_NAME", kName},
            {"QUOVENT_SESSION_RATE", std::to_string(HostSong::kRate)},
            {"QUOVENT_PLUGIN_TYPE", format.luaType()},
            {"LD_LIBRARY_PATH", "/usr/lib/ardour7"}};
    ASSERT_NO_FATAL_FAILURE(format.install(*this));
    const std::string groove = HostSong::groove();
    ASSERT_FALSE(groove.empty()) << "the demo groove is not a state the instrument takes";

    const ArdourToolRun created = lua("create-session.lua");
    ASSERT_NE(created.output.find("QUOVENT-CREATED"), std::string::npos) << created.output;
    std::string xml = readText(sessionFile());
    ASSERT_NO_FATAL_FAILURE(addSongAndRange(xml));
    ASSERT_NO_FATAL_FAILURE(format.putState(*this, xml, groove));
    writeText(sessionFile(), xml);
    const std::optional<std::string> given = format.keptState(*this);
    ASSERT_TRUE(given.has_value()) << "the session holds no state for the instrument";

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("reopened and saved " + std::to_string(round) + " times");
        const ArdourToolRun saved = lua("resave-session.lua");
        ASSERT_NE(saved.output.find("QUOVENT-SAVED"), std::string::npos) << saved.output;
        const std::optional<std::string> kept = format.keptState(*this);
        ASSERT_TRUE(kept.has_value()) << "the saved session holds no state";
        EXPECT_TRUE(*kept == *given) << "the state changed on its way through Ardour";
    }
    exportAndCompare(format);
}

void ArdourSessionCheck::addSongAndRange(std::string& xml) {
    HostSong::writeMidiFile(session() / "interchange" / kName / "midifiles/song.mid");
    replaceOnce(
        xml, "<Sources/>",
        std::string("<Sources>\n    <Source name=\"song.mid\" type=\"midi\" flags=\"\" id=\"") +
            kSourceId + "\" origin=\"\"/>\n  </Sources>");
    // Region times in beats (ticks at 1920 a beat); a length is a distance from a position.
    const std::string ticks = std::to_string(HostSong::lengthInTicks());
    const std::string region =
        std::string(
            "<Region name=\"song\" muted=\"0\" opaque=\"1\" locked=\"0\" video-locked=\"0\" "
            "automatic=\"0\" whole-file=\"0\" import=\"0\" external=\"0\" sync-marked=\"0\" "
            "left-of-split=\"0\" right-of-split=\"0\" hidden=\"0\" position-locked=\"0\" "
            "valid-transients=\"0\" start=\"b0\" length=\"b") +
        ticks +
        "@b0\" position=\"b0\" sync-position=\"b0\" ancestral-start=\"b0\" "
        "ancestral-length=\"b0@b0\" stretch=\"1\" shift=\"1\" layering-index=\"0\" tags=\"\" "
        "id=\"" +
        kRegionId + "\" type=\"midi\" first-edit=\"nothing\" source-0=\"" + kSourceId +
        "\" master-source-0=\"" + kSourceId + "\"/>";
    const auto playlist = xml.find("<Playlist ");
    ASSERT_NE(playlist, std::string::npos) << "the session has no playlist";
    const auto end = xml.find("/>", playlist);
    ASSERT_NE(end, std::string::npos);
    xml.replace(end, 2, ">\n      " + region + "\n    </Playlist>");
    replaceOnce(
        xml, "<Locations/>",
        "<Locations>\n    <Location id=\"900000003\" name=\"session\" start=\"a0\" end=\"a" +
            std::to_string(HostSong::kSeconds * kSuperclockRate) +
            "\" flags=\"IsSessionRange\" locked=\"0\" timestamp=\"1\"/>\n  </Locations>");
}

void ArdourSessionCheck::exportAndCompare(ArdourPluginFormat& format) {
    const fs::path wav = scratch() / "export.wav";
    const auto started = std::chrono::steady_clock::now();
    const ArdourToolRun exported = ardour(
        {"/usr/bin/ardour7-export", "-b", "float", "-o", wav.string(), session().string(), kName});
    ASSERT_EQ(exported.exitCode, 0) << exported.output;
    StereoTake take;
    ASSERT_TRUE(readFloatStereo(wav, take.left, take.right)) << exported.output;
    ASSERT_EQ(take.left.size(), static_cast<std::size_t>(HostSong::kFrames));

    const StereoTake reference =
        HostTake::render(HostSong::groove(), HostSong::frameEvents(), HostSong::kRate,
                         HostSong::kFrames, format.noteOffs(), kArdourBlock, kArdourFirstBlock);
    const TakeComparison c = HostTake::compare(take, reference);
    std::printf("Ardour plays the %s instrument %s; export %.1f s\n", format.luaType(),
                c.summary().c_str(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_GE(c.offset, 0) << "Ardour played nothing, or earlier than the song";
    EXPECT_LT(c.offset, 2 * kArdourBlock) << "Ardour played the song late";
    EXPECT_GT(c.peak, 0.2f);
    EXPECT_GT(c.compared, HostSong::kFrames - 2LL * kArdourBlock);
    EXPECT_EQ(c.firstBad, -1) << "the export differs from the instrument's own rendering from "
                              << "reference frame " << c.firstBad << ", " << eventBefore(c.firstBad)
                              << " (largest difference " << c.worst << ")";
}

} // namespace quovent::test
