// Ardour 7 keeps and plays the VST 2 instrument's groove (tests/support/ArdourSessionCheck):
// the plug-in is a back-dated copy in a scratch LXVST_PATH, scanned once with Ardour's
// scanner (which must describe the instrument it is), and its state is the chunk Ardour keeps as
// base64 in the session file. Also the runner's promise the session tests rest on: a run that dies
// of a signal is run again on the session as it was.
#include "tests/support/ArdourSessionCheck.hpp"
#include "tests/support/Base64.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProcessor = "type=\"lxvst\" unique-id=\"1903521654\"";
constexpr const char* kChunk = "<chunk program=\"0\">";

class Vst2Format : public ArdourPluginFormat {
public:
    const char* luaType() const override { return "VST2"; }
    ProcessBlock::NoteOffs noteOffs() const override {
        return ProcessBlock::NoteOffs::AtBlockStart;
    }

    void install(ArdourSessionCheck& check) override {
        const fs::path plugin = check.scratch() / "vst/quovent.so";
        check.env()["LXVST_PATH"] = plugin.parent_path().string();
        check.env()["LXVST_PLUGINS"] = plugin.parent_path().string();
        ArdourSessionCheck::copyBackDated(TestHost::pluginPath(), plugin);
        const ArdourToolRun scan =
            check.ardour({"/usr/lib/ardour7/ardour-vst-scanner", "-v", "-f", plugin.string()});
        ASSERT_TRUE(scan.finished && scan.exitCode == 0) << scan.output;
        // The instrument it is; Ardour refuses (and blacklists) a plug-in without replacing
        // processing.
        for (const char* attribute :
             {" name=\"quovent\"", " creator=\"Halvden Labs\"", " is_instrument=\"1\"",
              " n_inputs=\"0\"", " n_outputs=\"12\"", " n_midi_inputs=\"1\"", " has_editor=\"1\"",
              " can_process_replace=\"1\""}) {
            EXPECT_NE(scan.output.find(attribute), std::string::npos) << attribute << scan.output;
        }
    }

    void putState(ArdourSessionCheck&, std::string& xml, const std::string& groove) override {
        const auto chunk = ArdourSessionCheck::chunkIn(xml, kProcessor, kChunk);
        ASSERT_TRUE(chunk) << "the new session holds no chunk";
        xml.replace(chunk->first, chunk->second, base64Encode(groove));
    }

    std::optional<std::string> keptState(ArdourSessionCheck& check) override {
        return check.keptChunk(kProcessor, kChunk);
    }
};

TEST(ArdourRunner, ARunThatDiesOfASignalIsRetriedWithTheSessionAsItWas) {
    const ScratchDirectory dir{"quovent-runner"};
    const fs::path session = dir.path() / "session";
    const std::map<std::string, std::string> env;
    ArdourRunner runner(dir.path(), session, env);
    // A stand-in for an Ardour tool that spoils the session and crashes on its first run.
    writeText(session / "s.ardour", "<Session/>\n");
    const fs::path tool = dir.path() / "crashes-once";
    const std::string ran = (dir.path() / "ran").string();
    const std::string file = (session / "s.ardour").string();
    writeText(tool, "#!/bin/sh\nif [ ! -e '" + ran + "' ]; then\n  touch '" + ran +
                        "'\n  echo spoilt > '" + file + "'\n  kill -SEGV $$\nfi\ncat '" + file +
                        "'\n");
    fs::permissions(tool, fs::perms::owner_all);
    const ArdourToolRun run = runner.run({tool.string()});
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(runner.retries(), 1);
    EXPECT_EQ(run.output, "<Session/>\n") << "the retry saw the session as it was";
}

TEST(ArdourSession, Vst2SessionKeepsItsGrooveAndExportsEveryNoteOnItsFrame) {
    Vst2Format format;
    ArdourSessionCheck().run(format);
}

} // namespace
} // namespace quovent::test
