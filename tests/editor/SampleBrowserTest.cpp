// Slot directories, stepping, dropped files, relocation and the stored sample base, against
// real temporary directories and scripted dialog answers.
#include "editor/SampleBrowser.hpp"
#include "platform/Paths.hpp"
#include "platform/UserSettings.hpp"
#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"
#ifndef _WIN32
#include "tests/support/WithoutFileOverride.hpp"
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace quovent;
namespace fs = std::filesystem;

namespace {

class ScriptedDialogs : public SampleDialogs {
public:
    std::optional<std::string> chooseFolder(const std::string& title,
                                            const std::string& root) override {
        folderTitles.push_back(title);
        folderRoots.push_back(root);
        return next(folders);
    }
    bool askYesNo(const std::string& text) override {
        questions.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return yes;
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> chooseWavFile() override { return next(files); }
    std::optional<std::string> chooseBankFile(FileSelectCommand, const std::string&) override {
        return std::nullopt;
    }

    std::deque<std::optional<std::string>> folders;
    std::deque<std::optional<std::string>> files;
    std::deque<bool> answers;
    std::vector<std::string> folderTitles, folderRoots, questions, messages;

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) {
            return std::nullopt;
        }
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

class RecordingNameView : public SampleNameView {
public:
    void showSampleText(const char* text) override { shown = text; }
    std::string shown;
};

class RecordingView : public SampleBrowser::View {
public:
    void showSampleBaseText(const std::string& text) override { shownBase = text; }
    void redrawReadouts() override { ++readoutRedraws; }
    std::string shownBase;
    int readoutRedraws = 0;
};

class SampleBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = scratch.path();
        settings = std::make_unique<test::IsolatedUserSettings>(root);
        slot.setNameView(&nameView);
        browser.setView(&view);
    }
    void TearDown() override { settings.reset(); }

    fs::path kit(const std::string& name, const std::vector<std::string>& files,
                 std::int16_t base = 1000) {
        fs::path dir = root / name;
        fs::create_directories(dir);
        for (const auto& f : files) {
            test::TestWav::constant(100, base++).write(dir / f);
        }
        return dir;
    }
    float firstFrame() const { return slot.sample.left(0); }
    static float level(std::int16_t v) { return static_cast<float>(v) / 32768.0f * 1.15f; }

    test::ScratchDirectory scratch{"quovent-browser"};
    fs::path root;
    std::unique_ptr<test::IsolatedUserSettings> settings;
    ScriptedDialogs dialogs;
    RecordingNameView nameView;
    RecordingView view;
    SampleBrowser browser{dialogs, [] { return 5512.5; }};
    Slot slot{0};
};

} // namespace

TEST_F(SampleBrowserTest, BrowsingListsWavFilesInCaseInsensitiveOrderAndLoadsTheFirst) {
    const fs::path dir = kit("Kits", {"b.wav", "A.WAV", "c.Wav"});
    std::ofstream(dir / "notes.txt") << "x";
    fs::create_directories(dir / "folder.wav");
    dialogs.folders.push_back(dir.string());

    browser.browseSampleDirectory(slot);

    EXPECT_EQ(dialogs.folderTitles.at(0), "Select a Sample Directory");
    ASSERT_EQ(slot.directory.fileCount(), 3);
    EXPECT_EQ(slot.directory.file(0), (dir / "A.WAV").string());
    EXPECT_EQ(slot.directory.file(1), (dir / "b.wav").string());
    EXPECT_EQ(slot.directory.file(2), (dir / "c.Wav").string());
    EXPECT_EQ(slot.samplePath(), (dir / "A.WAV").string());
    EXPECT_FLOAT_EQ(firstFrame(), level(1001));
    EXPECT_EQ(nameView.shown, "        00 : A.WAV");
}

TEST_F(SampleBrowserTest, NextAndPreviousCycleThroughTheList) {
    const fs::path dir = kit("k", {"1.wav", "2.wav", "3.wav"});
    dialogs.folders.push_back(dir.string());
    browser.browseSampleDirectory(slot);

    browser.nextSample(slot);
    browser.nextSample(slot);
    EXPECT_EQ(slot.fileIndex, 2);
    browser.nextSample(slot);
    EXPECT_EQ(slot.fileIndex, 0);
    EXPECT_FLOAT_EQ(firstFrame(), level(1000));
    browser.previousSample(slot);
    EXPECT_EQ(slot.fileIndex, 2);
    EXPECT_FLOAT_EQ(firstFrame(), level(1002));
    EXPECT_EQ(nameView.shown, "        02 : 3.wav");

    const fs::path one = kit("one", {"only.wav"});
    dialogs.folders.push_back(one.string());
    browser.browseSampleDirectory(slot);
    browser.nextSample(slot);
    EXPECT_EQ(slot.fileIndex, 0);
    browser.previousSample(slot);
    EXPECT_EQ(slot.fileIndex, 0);
    EXPECT_EQ(slot.samplePath(), (one / "only.wav").string());
}

TEST_F(SampleBrowserTest, AnEmptyDirectoryKeepsTheLoadedSample) {
    const fs::path dir = kit("k", {"kick.wav"});
    const fs::path empty = kit("empty", {});
    dialogs.folders.push_back(dir.string());
    dialogs.folders.push_back(empty.string());
    browser.browseSampleDirectory(slot);
    browser.browseSampleDirectory(slot);

    EXPECT_FALSE(slot.directory.hasFileList());
    EXPECT_EQ(slot.directory.fileCount(), 0);
    EXPECT_EQ(nameView.shown, "        fail: dir contains no *.wav files");
    EXPECT_EQ(slot.samplePath(), (dir / "kick.wav").string());
    EXPECT_FLOAT_EQ(firstFrame(), level(1000));
    browser.nextSample(slot);
    EXPECT_EQ(slot.samplePath(), (dir / "kick.wav").string());
}

TEST_F(SampleBrowserTest, CancellingOrAnOverlongFolderChangesNothing) {
    const fs::path dir = kit("k", {"kick.wav"});
    dialogs.folders.push_back(dir.string());
    browser.browseSampleDirectory(slot);
    dialogs.folders.push_back(std::nullopt);
    dialogs.folders.push_back("/" + std::string(400, 'x'));
    browser.browseSampleDirectory(slot);
    browser.browseSampleDirectory(slot);
    EXPECT_EQ(slot.directory.directory(), dir.string());
    EXPECT_EQ(slot.directory.fileCount(), 1);
}

TEST_F(SampleBrowserTest, TheFolderDialogStartsAtTheSampleBase) {
    const fs::path base = kit("base", {});
    ASSERT_TRUE(UserSettings::writeSampleBase(base.string()));
    EXPECT_FALSE(browser.readSampleBase());
    browser.browseSampleDirectory(slot);
    EXPECT_EQ(dialogs.folderRoots.at(0), base.string());
}

TEST_F(SampleBrowserTest, ADroppedFileListsItsDirectoryWithItselfSelected) {
    const fs::path dir = kit("drop", {"a.wav", "b.wav", "c.wav"});
    slot.outputPair = 4;
    browser.openSampleFile(slot, (dir / "b.wav").string());
    EXPECT_TRUE(slot.directory.hasFileList());
    EXPECT_EQ(slot.directory.directory(), dir.string());
    EXPECT_EQ(slot.fileIndex, 1);
    EXPECT_EQ(slot.outputPair, 1);
    EXPECT_FLOAT_EQ(firstFrame(), level(1001));
    EXPECT_EQ(nameView.shown, "        01 : b.wav");
}

TEST_F(SampleBrowserTest, AMissingDroppedFileAnsweredNoResetsTheSlot) {
    const fs::path dir = kit("k", {"kick.wav"});
    dialogs.folders.push_back(dir.string());
    browser.browseSampleDirectory(slot);
    dialogs.answers.push_back(false);
    browser.openSampleFile(slot, (root / "gone.wav").string());
    EXPECT_EQ(dialogs.questions.at(0), "missing: " + (root / "gone.wav").string() + " relocate ??");
    EXPECT_FALSE(slot.directory.hasFileList());
    EXPECT_TRUE(Slot::isPlaceholder(slot.samplePath()));
}

TEST_F(SampleBrowserTest, RelocationRemembersTheChosenDirectoryForLaterMissingFiles) {
    const fs::path moved = kit("moved", {"kick.wav", "snare.wav"});
    const std::string oldKick = (root / "old" / "kick.wav").string();
    const std::string oldSnare = (root / "old" / "snare.wav").string();

    dialogs.answers.push_back(true);
    dialogs.files.push_back((moved / "kick.wav").string());
    EXPECT_TRUE(browser.loadWithRelocation(slot, oldKick));
    EXPECT_EQ(slot.samplePath(), (moved / "kick.wav").string());
    EXPECT_EQ(browser.relocationDirectory(), moved.string());

    // The next missing file is found in the relocation directory without a question.
    Slot other(1);
    EXPECT_TRUE(browser.loadWithRelocation(other, oldSnare));
    EXPECT_EQ(other.samplePath(), (moved / "snare.wav").string());
    EXPECT_EQ(dialogs.questions.size(), 1u);

    // Missing there too: the question names the relocated path; No keeps the old audio.
    const float before = other.sample.left(0);
    EXPECT_FALSE(browser.loadWithRelocation(other, (root / "old" / "tom.wav").string()));
    EXPECT_EQ(dialogs.questions.back(),
              "missing: " + (moved / "tom.wav").string() + " relocate ??");
    EXPECT_FLOAT_EQ(other.sample.left(0), before);
}

TEST_F(SampleBrowserTest, ACancelledRelocationKeepsTheOldAudio) {
    const fs::path dir = kit("k", {"kick.wav"});
    ASSERT_TRUE(browser.loadWithRelocation(slot, (dir / "kick.wav").string()));
    dialogs.answers.push_back(true);
    dialogs.files.push_back(std::nullopt);
    EXPECT_FALSE(browser.loadWithRelocation(slot, (root / "x.wav").string()));
    EXPECT_FLOAT_EQ(firstFrame(), level(1000));
    EXPECT_FALSE(browser.hasRelocationDirectory());
}

TEST_F(SampleBrowserTest, AltClickSharesTheDirectoryWithTheOtherSlots) {
    SlotBank bank;
    const fs::path dir = kit("shared", {"a.wav", "b.wav"});
    dialogs.folders.push_back(dir.string());
    browser.browseAndShare(bank.slot(3), bank, capacity::kRowSlots);
    for (int i = 0; i < capacity::kRowSlots; ++i) {
        EXPECT_EQ(bank.slot(i).directory.fileCount(), 2) << i;
        EXPECT_EQ(bank.slot(i).samplePath(), (dir / "a.wav").string()) << i;
        EXPECT_FLOAT_EQ(bank.slot(i).sample.left(0), level(1000)) << i;
    }
    EXPECT_EQ(bank.slot(8).directory.fileCount(), 0);
}

TEST_F(SampleBrowserTest, AListIsCappedAtTheDirectoryCapacity) {
    const fs::path dir = root / "many";
    fs::create_directories(dir);
    for (int i = 0; i < capacity::kDirectoryEntries + 6; ++i) {
        std::ofstream(dir / ("f" + std::to_string(10000 + i) + ".wav")) << "";
    }
    slot.directory.setDirectory(dir.string());
    EXPECT_EQ(slot.directory.scan(), capacity::kDirectoryEntries);
    EXPECT_EQ(
        slot.directory.file(capacity::kDirectoryEntries - 1),
        (dir / ("f" + std::to_string(10000 + capacity::kDirectoryEntries - 1) + ".wav")).string());
}

TEST_F(SampleBrowserTest, RootAndSubdirectoryPathsJoinWithOneSeparator) {
    EXPECT_EQ(SampleDirectory::join("/", "kick.wav"), "/kick.wav");
    EXPECT_EQ(SampleDirectory::join("/kits", "kick.wav"),
              std::string("/kits") + paths::kSeparator + "kick.wav");
    EXPECT_EQ(SampleDirectory::parentOf("/kick.wav"), "/");
    EXPECT_EQ(SampleDirectory::parentOf("/kits/kick.wav"), "/kits");
    const std::string question = SampleBrowser::missingFileQuestion(std::string(2000, 'p'));
    EXPECT_EQ(question.size(), capacity::kListEntryText - 1);
}

TEST_F(SampleBrowserTest, SampleBaseFallsBackToTheRootWhenNothingIsStored) {
    EXPECT_FALSE(browser.readSampleBase());
    EXPECT_EQ(browser.sampleBasePath(), paths::kDefaultRoot);
    EXPECT_EQ(view.shownBase, paths::kDefaultRoot);
    EXPECT_TRUE(dialogs.messages.empty());
}

// The stored file's own failures; the registry's are in tests/windows.
#ifndef _WIN32

TEST_F(SampleBrowserTest, AnUnreadableSampleBaseFallsBackToTheRootAndIsToldOnRequest) {
    const fs::path stored = UserSettings::sampleBaseFile();
    fs::create_directories(stored.parent_path());
    const auto check = [&](const std::string& what) {
        SCOPED_TRACE(what);
        view.shownBase.clear();
        EXPECT_TRUE(browser.readSampleBase());
        EXPECT_EQ(browser.sampleBasePath(), "/");
        EXPECT_EQ(view.shownBase, "/");
        EXPECT_TRUE(dialogs.messages.empty()) << "told only when asked to";
        browser.reportReadFailure();
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{"failed to read registry"});
        dialogs.messages.clear();
        fs::remove_all(stored);
    };
    std::ofstream(stored) << "/" << std::string(SampleDirectory::kMaxDirectoryLength, 'p') << "\n";
    check("a stored path longer than a path text holds");
    fs::create_directories(stored);
    check("a directory");
    std::ofstream(stored) << std::string(std::size_t{70} * 1024, '/');
    check("over the size limit");
    ASSERT_EQ(::mkfifo(stored.c_str(), 0600), 0);
    check("a FIFO, which must not be waited on");
    std::ofstream(stored) << root.string() << "\n";
    ::chmod(stored.c_str(), 0);
    {
        test::WithoutFileOverride noOverride;
        if (test::WithoutFileOverride::permissionsHold()) {
            check("no read permission");
        }
    }
    fs::remove_all(stored);
}

#endif

TEST_F(SampleBrowserTest, AChosenSampleBaseIsStoredAndReadBack) {
    const fs::path base = kit("mybase", {});
    dialogs.folders.push_back(base.string());
    browser.chooseSampleBase();
    EXPECT_EQ(dialogs.folderTitles.at(0), "Select the SampleBase Directory");
    EXPECT_EQ(dialogs.folderRoots.at(0), "");
    EXPECT_EQ(view.shownBase, base.string());
    EXPECT_EQ(view.readoutRedraws, 1);

    SampleBrowser fresh(dialogs, [] { return 5512.5; });
    EXPECT_FALSE(fresh.readSampleBase());
    EXPECT_EQ(fresh.sampleBasePath(), base.string());
    // No temporary file is left beside the stored value.
    EXPECT_EQ(settings->storedEntries(), 1u);
}

TEST_F(SampleBrowserTest, AFailedStoreIsReportedAndTheChoiceStillUsed) {
    settings->blockWrites();
    const fs::path base = kit("b2", {});
    dialogs.folders.push_back(base.string());
    browser.chooseSampleBase();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "failed to write to registry");
    EXPECT_EQ(browser.sampleBasePath(), base.string());
}
