// Files on Windows: paths are UTF-8 inside the program and UTF-16 at every system call, so
// names outside the system's code page are listed, opened and written like any other.
// Path rules accept both separators. Runs under Wine against a scratch folder.
#include "editor/Editor.hpp"
#include "editor/HostServices.hpp"
#include "engine/Slot.hpp"
#include "instrument/BankFile.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/DirectoryScanner.hpp"
#include "platform/NativePath.hpp"
#include "platform/Paths.hpp"
#include "samples/SampleBuffer.hpp"
#include "samples/SampleDirectory.hpp"
#include "samples/WavFile.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <memory>

using namespace quovent;
namespace fs = std::filesystem;
using platform::NativePath;

namespace {

// "ä", "ドラム" (Japanese) and "🎵" (outside the 16-bit range): no ANSI code page holds all.
const std::string kUmlaut = "\xc3\xa4";
const std::string kDrums = "\xe3\x83\x89\xe3\x83\xa9\xe3\x83\xa0";
const std::string kNote = "\xf0\x9f\x8e\xb5";

std::string readText(const std::string& utf8Path) {
    std::ifstream in(NativePath::fromUtf8(utf8Path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& utf8Path) {
    std::error_code ec;
    return fs::exists(NativePath::fromUtf8(utf8Path), ec);
}

class WideFiles : public ::testing::Test {
protected:
    std::string path(const std::string& relative) const {
        return paths::join(NativePath::toUtf8(scratch.path()), relative);
    }
    std::string folder(const std::string& relative) const {
        std::string p = path(relative);
        fs::create_directories(NativePath::fromUtf8(p));
        return p;
    }
    test::ScratchDirectory scratch{"quovent-wide"};
};

class NoHost : public HostServices {
public:
    float hostTempo() override { return 0.0f; }
};

} // namespace

TEST_F(WideFiles, WavFilesWithAnyNameAreReadAndLoaded) {
    const std::string dir = folder(kDrums + " " + kUmlaut);
    const std::string file = paths::join(dir, "kick-" + kNote + ".wav");
    test::TestWav::constant(1000, 16384).write(NativePath::fromUtf8(file));

    WavFile wav;
    ASSERT_TRUE(wav.openRead(file.c_str())) << wav.lastError();
    EXPECT_EQ(wav.channels(), 1);
    EXPECT_EQ(wav.dataSize(), 2000u);
    wav.close();

    auto buffer = std::make_unique<SampleBuffer>();
    ASSERT_TRUE(buffer->loadSample(file.c_str()));
    EXPECT_EQ(buffer->frameCount(), 1000);
    EXPECT_FLOAT_EQ(buffer->left(999), 0.575f);

    // The same name in the system's ANSI code page is what the narrow calls would have
    // opened: it names no file. Nor does text that is not UTF-8.
    EXPECT_FALSE(buffer->loadSample((dir + "\\kick-?.wav").c_str()));
    EXPECT_FALSE(buffer->loadSample((dir + "\\\xff\xfe.wav").c_str()));
    EXPECT_EQ(buffer->frameCount(), 1000); // a failed load changes nothing
}

TEST_F(WideFiles, AFileBeyondTheClassicPathLimitLoads) {
    std::string dir = folder(std::string(120, 'a') + kUmlaut);
    dir = folder(NativePath::toUtf8(fs::path(NativePath::fromUtf8(dir)).filename()) + "\\" +
                 std::string(120, 'b'));
    const std::string file = paths::join(dir, std::string(60, 'c') + ".wav");
    ASSERT_GT(NativePath::fromUtf8(file).native().size(), static_cast<std::size_t>(MAX_PATH));
    ASSERT_LE(file.size(), SampleDirectory::kMaxEntryLength);
    test::TestWav::constant(10, 100).write(NativePath::fromUtf8(file));
    auto buffer = std::make_unique<SampleBuffer>();
    EXPECT_TRUE(buffer->loadSample(file.c_str()));
    EXPECT_EQ(buffer->frameCount(), 10);
}

TEST_F(WideFiles, ScanningListsWavFilesByTheirLongNamesOnly) {
    const std::string dir = folder("Kit " + kDrums);
    for (const std::string& name : {kUmlaut + ".wav", kDrums + ".WAV", std::string("b.Wav"),
                                    std::string("notes.txt"), std::string("long.wave")}) {
        std::ofstream(NativePath::fromUtf8(paths::join(dir, name))) << "x";
    }
    fs::create_directory(NativePath::fromUtf8(paths::join(dir, "folder.wav")));

    // "long.wave" has the 8.3 name LONG~1.WAV, which the system's own "*.wav" matches.
    EXPECT_EQ(DirectoryScanner::listWavFiles(dir, 100),
              (std::vector<std::string>{"b.Wav", kUmlaut + ".wav", kDrums + ".WAV"}));
    EXPECT_TRUE(DirectoryScanner::listWavFiles(path("missing"), 100).empty());
    EXPECT_TRUE(DirectoryScanner::listWavFiles("C:\\\xff", 100).empty());

    SampleDirectory list;
    ASSERT_TRUE(list.setDirectory(dir));
    ASSERT_EQ(list.scan(), 3);
    EXPECT_EQ(list.file(1), dir + "\\" + kUmlaut + ".wav");
    EXPECT_EQ(list.indexOf(dir + "\\" + kDrums + ".WAV"), 2);
}

TEST_F(WideFiles, PathRulesAcceptBothSeparatorsAndDriveRoots) {
    EXPECT_TRUE(paths::isRoot("C:\\"));
    EXPECT_TRUE(paths::isRoot("d:/"));
    EXPECT_TRUE(paths::isRoot("\\"));
    EXPECT_FALSE(paths::isRoot("C:"));
    EXPECT_FALSE(paths::isRoot("C:\\Kits"));

    EXPECT_EQ(SampleDirectory::join("C:\\", "kick.wav"), "C:\\kick.wav");
    EXPECT_EQ(SampleDirectory::join("C:/", "kick.wav"), "C:/kick.wav");
    EXPECT_EQ(SampleDirectory::join("D:\\Kits", "kick.wav"), "D:\\Kits\\kick.wav");
    EXPECT_EQ(SampleDirectory::join("D:/Kits/", "kick.wav"), "D:/Kits/kick.wav");

    EXPECT_EQ(SampleDirectory::parentOf("C:\\kick.wav"), "C:\\");
    EXPECT_EQ(SampleDirectory::parentOf("C:/kick.wav"), "C:/");
    EXPECT_EQ(SampleDirectory::parentOf("D:\\Kits\\kick.wav"), "D:\\Kits");
    EXPECT_EQ(SampleDirectory::parentOf("D:/Kits/808/kick.wav"), "D:/Kits/808");
    EXPECT_EQ(SampleDirectory::parentOf("D:\\Kits/808\\kick.wav"), "D:\\Kits/808");
    EXPECT_EQ(SampleDirectory::parentOf("\\\\server\\share\\kick.wav"), "\\\\server\\share");
    EXPECT_EQ(SampleDirectory::parentOf("kick.wav"), "");

    // The name shown for a sample is what follows the last separator of either kind.
    char shown[capacity::kPathText];
    Slot::formatSampleName("D:\\Kits/808/kick.wav", 3, shown, sizeof shown);
    EXPECT_STREQ(shown, "        03 : kick.wav");
}

TEST_F(WideFiles, AtomicReplacementKeepsTheOldFileOnFailure) {
    const std::string dir = folder("B" + kUmlaut + "nke");
    const std::string target = paths::join(dir, kDrums + ".json");
    ASSERT_EQ(AtomicFile::write(NativePath::fromUtf8(target), "first"), "");
    ASSERT_EQ(AtomicFile::write(NativePath::fromUtf8(target), "second"), "");
    EXPECT_EQ(readText(target), "second");
    EXPECT_EQ(DirectoryScanner::listWavFiles(dir, 10).size(), 0u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(NativePath::fromUtf8(dir))) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";

    // A target another program holds open without sharing cannot be replaced: it keeps its
    // old content, and the message names it in UTF-8.
    HANDLE held = CreateFileW(NativePath::fromUtf8(target).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string error = AtomicFile::write(NativePath::fromUtf8(target), "third");
    CloseHandle(held);
    EXPECT_NE(error.find(kDrums + ".json"), std::string::npos) << error;
    EXPECT_EQ(readText(target), "second");
    entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(NativePath::fromUtf8(dir))) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);

    // A folder that does not exist: nothing is written, and the reason is given.
    const std::string nowhere = path("missing\\b.json");
    EXPECT_NE(AtomicFile::write(NativePath::fromUtf8(nowhere), "x"), "");
    EXPECT_FALSE(exists(nowhere));
}

TEST_F(WideFiles, BankFilesWithAnyNameKeepTheirSamplePaths) {
    const std::string kit = folder("Kit " + kDrums);
    const std::string sample = paths::join(kit, kUmlaut + kNote + ".wav");
    test::TestWav::constant(50, 1000).write(NativePath::fromUtf8(sample));
    const std::string elsewhere = folder("Other " + kUmlaut);
    const std::string distant = paths::join(elsewhere, "distant.wav");
    test::TestWav::constant(20, 2000).write(NativePath::fromUtf8(distant));

    Instrument source;
    source.sequencer().slots().slot(0).setSamplePath(sample, 5512.5);
    source.sequencer().slots().slot(1).setSamplePath(distant, 5512.5);
    const std::string bankFile = path("groove " + kDrums + ".json");
    const BankExportResult written = BankFile::exportBank(source, NativePath::fromUtf8(bankFile));
    ASSERT_TRUE(written.ok) << written.error;
    // Beside the bank: relative with '/'; elsewhere: whole, with '/' too.
    const std::string text = readText(bankFile);
    EXPECT_NE(text.find("\"Kit " + kDrums + "/" + kUmlaut + kNote + ".wav\""), std::string::npos)
        << text.substr(0, 400);

    Instrument target;
    const BankImportResult read = BankFile::importBank(target, NativePath::fromUtf8(bankFile));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_TRUE(read.missingSamples.empty());
    const Slot& first = target.sequencer().slots().slot(0);
    EXPECT_EQ(first.samplePath(), sample);
    EXPECT_EQ(first.sample.frameCount(), 50);
    EXPECT_EQ(first.directory.directory(), kit); // its folder is listed for stepping
    EXPECT_EQ(target.sequencer().slots().slot(1).samplePath(), distant);
    EXPECT_EQ(target.sequencer().slots().slot(1).sample.frameCount(), 20);

    // A refusal names the file in UTF-8.
    const BankImportResult missing =
        BankFile::importBank(target, NativePath::fromUtf8(path(kNote + ".json")));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find(kNote + ".json"), std::string::npos) << missing.error;
}

TEST(WindowsEditor, AParentThatIsNoWindowIsRefusedWithoutHarm) {
    Instrument instrument;
    NoHost host;
    Editor editor(instrument, host);
    EXPECT_TRUE(editor.hasWindow());
    int parent = 0; // a host that hands over the address of something else
    EXPECT_FALSE(editor.open(&parent));
    EXPECT_FALSE(editor.isOpen());
    editor.idle();
    editor.close();
}
