// The state round trip as a user makes it, through the loaded plug-in: the editor opened by
// effEditOpen in a plain X11 window and driven with real pointer events (XTest) and host keys,
// a groove bank imported through the Import button (the desktop dialog is a script on PATH
// that answers the file), parameters from the host; then effGetChunk, and a fresh instance
// given the chunk exports the same bank byte for byte and renders the same audio.
#include "ChunkTestSupport.hpp"

// Xlib defines macros such as None and Status.
#include "tests/support/EditorWindowFixture.hpp"

#include <sys/stat.h>

#include <chrono>

namespace quovent::test {
namespace {

// Where controls sit in the editor's frame.
Point stepPoint(int slot, int step) {
    return {44 + 20 * step + 10, 101 + 62 * slot + 17};
}
Point volumePoint(int slot, double value) { // a free click sets the slider to the height
    return {29 + 426, 80 + 62 * slot + 58 - static_cast<int>(value * 50)};
}
Point patternKeyPoint(int key) {
    return {394 + 16 * key + 8, 52};
}
constexpr Point kImport{95, 26};
constexpr Point kExport{53, 26};

class ChunkGui : public EditorWindowFixture {
protected:
    void setUpEditor() override {
        ASSERT_FALSE(dir.path().empty());
        // The desktop's dialogs are this script, found on PATH: each line of the queue
        // answers one dialog with an exit code and what to print. The sample base setting
        // lives in the scratch directory.
        const fs::path bin = dir / "bin";
        const std::string queue = (dir / "answers").string();
        writeText(bin / "zenity", "#!/bin/sh\necho \"$1\" >> '" + (dir / "asked").string() +
                                      "'\nline=$(head -n 1 '" + queue + "')\nsed -i 1d '" + queue +
                                      "'\ncode=${line%% *}\nrest=${line#* }\n"
                                      "[ \"$rest\" != \"$line\" ] && printf '%s\\n' "
                                      "\"$rest\"\nexit ${code:-1}\n");
        writeText(queue, "");
        ::chmod((bin / "zenity").c_str(), 0755);
        const char* path = std::getenv("PATH");
        ::setenv("PATH", (bin.string() + ":" + (path != nullptr ? path : "")).c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        for (TestHost* h : {&first, &second}) {
            h->answers.custom = [this](const HostCall& call) -> std::optional<std::intptr_t> {
                if (call.opcode == vst::audioMasterIdle) {
                    input.step();
                }
                return std::nullopt;
            };
            ASSERT_NE(h->open(), nullptr);
            h->prepare(44100.0f, 512);
        }
    }
    void tearDownEditor() override {
        for (TestHost* h : {&first, &second}) {
            if (h->effect() != nullptr) {
                h->dispatch(vst::effEditClose);
            }
        }
    }

    // Opens the host's editor in a new host window (the last one's editor closed before); the
    // input goes to that editor from then on.
    void openEditor(TestHost& h) {
        openParent();
        ASSERT_EQ(h.dispatch(vst::effEditOpen, 0, 0, parentId()), 1);
        ASSERT_EQ(editorWindows().size(), 1u);
        attach([&h] { h.dispatch(vst::effEditIdle); }, std::chrono::seconds(10));
        input.pump(5);
    }
    void answer(const std::string& lines) { writeText(dir / "answers", lines); }
    // Exports through the Export button into `file` and answers its text.
    std::string exportThroughButton(const fs::path& file) {
        answer("0 " + file.string() + "\n");
        click(kExport);
        EXPECT_TRUE(input.pumpUntil([&] { return fs::exists(file); })) << file;
        return readText(file);
    }

    ScratchDir dir;
    TestHost first;
    TestHost second;
};

TEST_F(ChunkGui, AStateMadeInTheEditorComesBackWholeInAFreshInstance) {
    // A bank file with relative sample paths, as users keep them.
    writeWav(dir / "kits/one/kick.wav", 9000, 22000);
    writeWav(dir / "kits/one/snare.wav", 6000, 15000);
    writeWav(dir / "kits/one/hat.wav", 2500, 9000);
    writeText(dir / "kits/groove.json",
              R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 0.15, "slots": [
                  {"samplePath": "one/kick.wav"}, {"samplePath": "one/snare.wav", "pan": 0.3},
                  {"samplePath": "one/hat.wav", "filterMode": 3, "outputPair": 2}],
                  "patterns": [{"rows": [{"stepOn": )" +
                  stepsJson("x...x...x...x...") +
                  "}, {}, {\"stepOn\": " + stepsJson("xxxxxxxxxxxxxxxx") + "}]}]}");
    openEditor(first);

    // Import through the button.
    answer("0 " + (dir / "kits/groove.json").string() + "\n");
    click(kImport);
    ASSERT_TRUE(input.pumpUntil([&] {
        return first.getChunk().find((dir / "kits/one/hat.wav").string()) != std::string::npos;
    }));

    // Editor operations: pattern key 4, a drag painting slot 2's steps 8 to 11, slot 3's
    // volume set by a click, the Pan lane from a host key.
    click(patternKeyPoint(4));
    std::vector<Point> path{stepPoint(1, 8)};
    for (int k = 9; k < 12; ++k) {
        path.push_back(stepPoint(1, k));
    }
    drag(path);
    click(volumePoint(2, 0.3));
    EXPECT_EQ(first.dispatch(vst::effEditKeyDown, 'p'), 1);
    // The host's parameters reach the slot whose control reported last (slot 3).
    first.setParameter(153, 0.25f);
    first.setParameter(154, 0.75f);
    input.pump(3);

    const std::string saved = first.getChunk();
    EXPECT_NE(saved.find("\"key\": 4,"), std::string::npos) << saved.substr(0, 200);
    EXPECT_NE(saved.find("\"stepEditMode\": 1.0,"), std::string::npos);
    EXPECT_NE(saved.find("\"freq\": 0.25,\n      \"res\": 0.75,"), std::string::npos)
        << "parameters landed on slot 3";
    EXPECT_NE(saved.find("\"stepOn\": [false, false, false, false, false, false, false, false, "
                         "true, true, true, true, false"),
              std::string::npos)
        << "the painted steps";
    const std::string exported = exportThroughButton(dir / "kits/first.json");
    first.dispatch(vst::effEditClose);

    // The fresh instance: same chunk, same exported file, same audio.
    ASSERT_EQ(second.setChunk(saved), 1);
    EXPECT_EQ(second.getChunk(), saved);
    openEditor(second);
    EXPECT_EQ(exportThroughButton(dir / "kits/second.json"), exported);
    EXPECT_NE(exported.find("\"samplePath\": \"one/snare.wav\""), std::string::npos);
    for (const int note : {60, 64}) {
        SCOPED_TRACE("pattern note " + std::to_string(note));
        const std::vector<float> a = renderPattern(first, note, 150);
        EXPECT_GT(peakOf(a), 0.05f);
        EXPECT_TRUE(a == renderPattern(second, note, 150));
    }
}

} // namespace
} // namespace quovent::test
