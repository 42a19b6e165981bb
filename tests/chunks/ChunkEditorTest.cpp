// The restored state and the open editor, on the display-free backend: a restore touches no
// control and opens no dialog, the window shows the new state at its next idle, and missing
// samples are offered for relocation there. The desktop dialogs are played by a script that
// logs what it was asked and answers from a queue.
#include "ChunkTestSupport.hpp"
#include "editor/Editor.hpp"
#include "editor/HostServices.hpp"
#include "platform/stub/StubWindowSystem.hpp"
#include "widgets/FileSelector.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <functional>
#include <sstream>
#include <thread>

namespace quovent::test {
namespace {

using platform::stub::StubWindowSystem;

class ScriptHost : public HostServices {
public:
    // Plays the next step of the script: what the host does during a modal idle.
    void masterIdle() override {
        if (!script.empty()) {
            auto next = std::move(script.front());
            script.pop_front();
            next();
        }
    }
    float hostTempo() override { return 0.0f; }
    std::deque<std::function<void()>> script;
};

class RestoredEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        // Each line of the queue answers one dialog: an exit code, then what to print;
        // "slow" first makes the dialog take two seconds.
        const fs::path program = dir / "fake-zenity";
        writeText(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + log().string() +
                               "'\necho -- >> '" + log().string() + "'\nline=$(head -n 1 '" +
                               queue().string() + "')\nsed -i 1d '" + queue().string() +
                               "'\ncase \"$line\" in slow*) sleep 2; line=${line#slow };; esac\n"
                               "code=${line%% *}\nrest=${line#* }\n"
                               "[ \"$rest\" != \"$line\" ] && printf '%s\\n' \"$rest\"\n"
                               "exit ${code:-1}\n");
        ::chmod(program.c_str(), 0755);
        writeText(queue(), "");
        FileSelector::setDesktopProgram(program.string());
        FileSelector::setDefaultBackend(DialogBackend::Desktop);
        editor.setWindowSystemFactory([] { return std::make_unique<StubWindowSystem>(); });
    }
    void TearDown() override {
        editor.close();
        FileSelector::setDefaultBackend(DialogBackend::Automatic);
        FileSelector::setDesktopProgram({});
    }

    fs::path log() const { return dir / "asked"; }
    fs::path queue() const { return dir / "answers"; }
    void answer(const std::string& lines) { writeText(queue(), lines); }
    // Everything the dialogs were asked since the last call.
    std::string asked() {
        std::string text = readText(log());
        fs::remove(log());
        return text;
    }
    static int questions(const std::string& text) {
        int n = 0;
        for (auto at = text.find("--question"); at != std::string::npos;
             at = text.find("--question", at + 1)) {
            ++n;
        }
        return n;
    }
    // A state whose first two slots name samples in `old/`; the files lie in `new/`.
    std::string movedKit() {
        writeWav(dir / "new" / "kick.wav", 3000, 20000);
        writeWav(dir / "new" / "snare.wav", 2000, 10000);
        return R"({"format": "quovent-bank", "version": 1, "slots": [{"samplePath": ")" +
               (dir / "old/kick.wav").string() + R"("}, {"samplePath": ")" +
               (dir / "old/snare.wav").string() + R"(", "volume": 0.4}]})";
    }
    Slot& slot(int s) { return editor.sequencer().slots().slot(s); }
    std::string shownName(int s) { return editor.row(s).name->text(); }

    ScratchDir dir;
    Instrument instrument;
    ScriptHost host;
    Editor editor{instrument, host};
};

TEST_F(RestoredEditor, TheOpenWindowShowsARestoredStateAtItsNextIdle) {
    ASSERT_TRUE(editor.open(nullptr));
    writeWav(dir / "kit" / "kick.wav", 3000, 20000);
    const std::string state =
        R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 0.5, "stepEditMode": 1,
            "key": 3, "slots": [{"samplePath": ")" +
        (dir / "kit/kick.wav").string() + R"(", "volume": 0.3, "outputPair": 4}],
            "patterns": [{}, {}, {}, {"rows": [{"stepOn": )" +
        stepsJson("x.x.............") + "}]}]}";
    // The host restores from a thread of its own; the window stays as it was meanwhile.
    bool restored = false;
    std::thread hostThread([&] { restored = instrument.restoreState(state).ok; });
    hostThread.join();
    ASSERT_TRUE(restored);
    EXPECT_FLOAT_EQ(editor.row(0).volume->value(), 0.65f);
    EXPECT_EQ(shownName(0), Slot::kPlaceholderPath);
    EXPECT_FALSE(editor.row(0).steps().button(2)->on());

    editor.idle();
    EXPECT_FLOAT_EQ(editor.row(0).volume->value(), 0.3f);
    EXPECT_EQ(editor.row(0).output->text(), "Out: 4");
    EXPECT_EQ(shownName(0), "        00 : kick.wav");
    EXPECT_TRUE(editor.row(0).steps().button(2)->on());
    EXPECT_FALSE(editor.row(0).steps().button(1)->on());
    EXPECT_FLOAT_EQ(editor.shuffleKnob->value(), 0.5f);
    EXPECT_FLOAT_EQ(editor.stepEditSwitch->value(), 1.0f);
    EXPECT_EQ(asked(), "") << "nothing was missing: no question";
}

TEST_F(RestoredEditor, MissingSamplesAreOfferedForRelocationAtTheFirstIdleOfTheWindow) {
    // Restored while the window is closed: no dialog, the slots are silent.
    ASSERT_TRUE(instrument.restoreState(movedKit()).ok);
    EXPECT_EQ(asked(), "");
    EXPECT_TRUE(instrument.relocationPending(0));
    EXPECT_TRUE(instrument.relocationPending(1));
    EXPECT_EQ(slot(0).sample.frameCount(), 0);

    ASSERT_TRUE(editor.open(nullptr));
    EXPECT_EQ(asked(), "") << "opening builds the window; the questions come at its idle";
    EXPECT_EQ(shownName(0), "        missing: kick.wav");

    // Yes, then the file selector finds kick.wav in new/; snare.wav is then found there
    // without a question.
    answer("0\n0 " + (dir / "new/kick.wav").string() + "\n");
    editor.idle();
    const std::string dialogs = asked();
    EXPECT_EQ(questions(dialogs), 1) << dialogs;
    EXPECT_NE(dialogs.find("--text=missing: " + (dir / "old/kick.wav").string() + " relocate ??"),
              std::string::npos)
        << dialogs;
    EXPECT_NE(dialogs.find("--file-selection"), std::string::npos);
    EXPECT_EQ(slot(0).samplePath(), (dir / "new/kick.wav").string());
    EXPECT_EQ(slot(1).samplePath(), (dir / "new/snare.wav").string());
    EXPECT_EQ(slot(0).sample.frameCount(), 3000);
    EXPECT_EQ(slot(1).sample.frameCount(), 2000);
    EXPECT_EQ(editor.sampleBrowser().relocationDirectory(), (dir / "new").string());
    // Both are listed with their directory, as an imported sample is.
    EXPECT_EQ(slot(1).directory.fileCount(), 2);
    EXPECT_EQ(shownName(0), "        00 : kick.wav");
    EXPECT_EQ(shownName(1), "        01 : snare.wav");
    EXPECT_FALSE(instrument.relocationPending(0));
    const std::string saved = instrument.saveState();
    EXPECT_NE(saved.find((dir / "new/snare.wav").string()), std::string::npos);
    EXPECT_EQ(saved.find((dir / "old").string()), std::string::npos);

    editor.idle();
    EXPECT_EQ(asked(), "") << "asked once";
}

TEST_F(RestoredEditor, DecliningKeepsTheSavedPathAndTheDisplaySaysMissing) {
    ASSERT_TRUE(editor.open(nullptr));
    ASSERT_TRUE(instrument.restoreState(movedKit()).ok);
    EXPECT_EQ(asked(), "") << "a restore never asks, even with the window open";
    answer("1\n1\n");
    editor.idle();
    EXPECT_EQ(questions(asked()), 2) << "each slot is asked once";
    // Not the relocation directory's guess: the path the project was saved with.
    EXPECT_EQ(slot(0).samplePath(), (dir / "old/kick.wav").string());
    EXPECT_EQ(slot(0).sample.frameCount(), 0);
    EXPECT_EQ(shownName(0), "        missing: kick.wav");
    EXPECT_EQ(shownName(1), "        missing: snare.wav");
    const std::string saved = instrument.saveState();
    EXPECT_NE(saved.find((dir / "old/kick.wav").string()), std::string::npos);

    editor.close();
    ASSERT_TRUE(editor.open(nullptr));
    editor.idle();
    EXPECT_EQ(asked(), "") << "declined once is not asked again at every open";
    EXPECT_EQ(shownName(0), "        missing: kick.wav");
}

TEST_F(RestoredEditor, TheHostClosingTheWindowDuringTheQuestionAsksAgainAtTheNextOpen) {
    ASSERT_TRUE(instrument.restoreState(movedKit()).ok);
    ASSERT_TRUE(editor.open(nullptr));
    answer("slow 0\n");
    // The host closes the window once the question is on screen.
    std::function<void()> closeWhenAsked = [&] {
        if (readText(log()).find("\n--\n") != std::string::npos) { // the question is asked
            editor.close();
        } else {
            host.script.push_back(closeWhenAsked);
        }
    };
    host.script.push_back(closeWhenAsked);
    editor.idle();
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(questions(asked()), 1);
    EXPECT_TRUE(instrument.relocationPending(0)) << "the host's close was no answer";
    EXPECT_TRUE(instrument.relocationPending(1));
    EXPECT_EQ(slot(0).samplePath(), (dir / "old/kick.wav").string());

    ASSERT_TRUE(editor.open(nullptr));
    answer("0\n0 " + (dir / "new/kick.wav").string() + "\n");
    editor.idle();
    EXPECT_EQ(questions(asked()), 1);
    EXPECT_EQ(slot(1).sample.frameCount(), 2000);
}

TEST_F(RestoredEditor, APathThatIsNotUtf8StillLeavesWithTheRestOfTheState) {
    slot(0).assignSamplePath((dir / "caf\xe9" / "kick.wav").string());
    slot(0).volume = 0.25f;
    const std::string saved = instrument.saveState();
    Instrument other;
    ASSERT_TRUE(other.restoreState(saved).ok);
    EXPECT_EQ(other.sequencer().slots().slot(0).samplePath(),
              (dir / "caf\xef\xbf\xbd" / "kick.wav").string());
    EXPECT_TRUE(other.sequencer().slots().slot(0).sampleMissing());
    EXPECT_FLOAT_EQ(other.sequencer().slots().slot(0).volume, 0.25f);
}

TEST_F(RestoredEditor, ARestoreWhilePlayingMovesPlayToTheRestoredPattern) {
    Sequencer& seq = editor.sequencer();
    writeWav(dir / "kick.wav", 3000, 20000);
    const std::string state = R"({"format": "quovent-bank", "version": 1, "key": 5, "slots": [
        {"samplePath": ")" + (dir / "kick.wav").string() +
                              R"("}], "patterns": [{"rows": [{"stepOn": )" +
                              stepsJson("xxxxxxxxxxxxxxxx") + "}]}]}";
    std::vector<float> samples(std::size_t{12} * 512);
    std::array<float*, 12> out{};
    for (int c = 0; c < 12; ++c) {
        out[static_cast<std::size_t>(c)] = samples.data() + static_cast<std::ptrdiff_t>(c) * 512;
    }
    instrument.setPlaying(true);
    seq.renderBlock(out.data(), 512, 120.0f, 44100.0f);
    ASSERT_EQ(seq.liveVoices, 8);
    ASSERT_TRUE(instrument.restoreState(state).ok);
    seq.renderBlock(out.data(), 512, 120.0f, 44100.0f);
    // Play off stops what plays: the restored pattern, and nothing of the old one is left.
    instrument.setPlaying(false);
    for (int b = 0; b < 200 && seq.liveVoices > 0; ++b) {
        seq.renderBlock(out.data(), 512, 120.0f, 44100.0f);
    }
    EXPECT_EQ(seq.liveVoices, 0);
}

} // namespace
} // namespace quovent::test
