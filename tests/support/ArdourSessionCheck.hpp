// The session check every plug-in format passes in Ardour 7, written once: a headless Ardour
// (its Lua interpreter) builds a session with a MIDI track whose instrument is the plug-in,
// the test gives the track a MIDI region holding the host song (tests/support/HostSong) and
// the instrument the song's groove as its state, Ardour reopens and saves the session twice
// (the state must come back unchanged) and its exporter plays it. The export must equal the
// instrument's own rendering of the groove and notes sample for sample after one constant
// offset (Ardour's latency, found from the first onset): every note on its frame.
//
// HOME and the XDG folders point into a scratch folder, so nothing of the user's Ardour set-up
// is read or written. Ardour's tools die of a signal now and then whatever the plug-in: such a
// run is retried with the session put back (ArdourRunner), and only clean runs are judged.
// Without Ardour the check skips, except under CI, where it fails.
//
// Test thread only.
#pragma once

#include "instrument/ProcessBlock.hpp"
#include "tests/support/ArdourRunner.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace quovent::test {

class ArdourSessionCheck;

// What differs between the formats: where Ardour finds the plug-in and how a session holds
// its state.
class ArdourPluginFormat {
public:
    virtual ~ArdourPluginFormat() = default;
    // QUOVENT_PLUGIN_TYPE of create-session.lua: VST2, VST3 or LV2.
    virtual const char* luaType() const = 0;
    virtual ProcessBlock::NoteOffs noteOffs() const = 0;
    // Puts the plug-in where the check's Ardour finds it (scanned, if the format is).
    virtual void install(ArdourSessionCheck& check) = 0;
    // Makes `groove` the instrument's state in the session, whose file's text is `xml`.
    virtual void putState(ArdourSessionCheck& check, std::string& xml,
                          const std::string& groove) = 0;
    // The instrument's state as the saved session holds it; nothing when it holds none.
    virtual std::optional<std::string> keptState(ArdourSessionCheck& check) = 0;
};

class ArdourSessionCheck {
public:
    static constexpr const char* kName = "groove";
    // Ardour 7 counts session positions in superclock ticks.
    static constexpr long long kSuperclockRate = 282240000;

    ArdourSessionCheck();
    ~ArdourSessionCheck();
    ArdourSessionCheck(const ArdourSessionCheck&) = delete;
    ArdourSessionCheck& operator=(const ArdourSessionCheck&) = delete;

    // The whole check, with gtest assertions; skips when Ardour is not installed (not in CI).
    void run(ArdourPluginFormat& format);

    const std::filesystem::path& scratch() const { return dir_.path(); }
    std::filesystem::path home() const { return scratch() / "home"; }
    std::filesystem::path session() const { return scratch() / "sessions" / kName; }
    std::filesystem::path sessionFile() const {
        return session() / (std::string(kName) + ".ardour");
    }
    std::map<std::string, std::string>& env() { return env_; }
    // One of Ardour's tools, retried while it dies of a signal.
    ArdourToolRun ardour(const std::vector<std::string>& argv) { return runner_.run(argv); }
    // A copy of the plug-in's file or bundle at `to`, dated before any scan Ardour makes of
    // it (Ardour takes a scan as valid only when it is newer than the plug-in's files).
    static void copyBackDated(const std::filesystem::path& from, const std::filesystem::path& to);
    // Where the text between `open` and </chunk> of the first processor whose tag holds
    // `processor` starts in `xml`, and its length; nothing when the session holds none.
    static std::optional<std::pair<std::size_t, std::size_t>>
    chunkIn(const std::string& xml, const std::string& processor, const std::string& open);
    // That chunk of the saved session file, decoded from base64.
    std::optional<std::string> keptChunk(const std::string& processor, const std::string& open);

private:
    ArdourToolRun lua(const char* script);
    void addSongAndRange(std::string& xml);
    void exportAndCompare(ArdourPluginFormat& format);

    ScratchDirectory dir_{"quovent-ardour"};
    std::map<std::string, std::string> env_;
    ArdourRunner runner_;
};

} // namespace quovent::test
