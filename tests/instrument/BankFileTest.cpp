// Bank files that are accepted: a full round trip, short hand-written banks that rely on
// defaults, sample paths relative to the bank, and the atomic replacement of the file.
#include "BankTestSupport.hpp"

#include "instrument/BankFile.hpp"

#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace quovent;
using namespace quovent::test;
using nlohmann::json;

namespace {

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(BankFile, ExportThenImportReproducesEveryField) {
    ScratchDir dir;
    InstrumentUnderTest source;
    randomizeModel(*source, 7);
    source->sequencer().slots().slot(2).setSamplePath(native(dir / "kit/snare.wav"), 5512.5);
    source->sequencer().slots().slot(5).setSamplePath(elsewhere("elsewhere/hat.wav").string(),
                                                      5512.5);

    const fs::path file = dir / "groove.json";
    const BankExportResult written = BankFile::exportBank(*source, file);
    ASSERT_TRUE(written.ok) << written.error;

    InstrumentUnderTest target;
    randomizeModel(*target, 99); // nothing of the target's earlier state may survive
    const BankImportResult read = BankFile::importBank(*target, file);
    ASSERT_TRUE(read.ok) << read.error;
    expectSameModel(*source, *target);

    // Writing the imported model again gives the same bytes: nothing drifts per cycle.
    const fs::path again = dir / "again.json";
    ASSERT_TRUE(BankFile::exportBank(*target, again).ok);
    EXPECT_EQ(readText(file), readText(again));
}

TEST(BankFile, WrittenValuesAreTheShortestTextOfEachFloat) {
    ScratchDir dir;
    InstrumentUnderTest e;
    e->sequencer().slots().slot(0).volume = 0.3f;
    ASSERT_TRUE(BankFile::exportBank(*e, dir / "b.json").ok);
    const json doc = json::parse(readText(dir / "b.json"));
    EXPECT_EQ(doc["slots"][0]["volume"].dump(), "0.3");
    EXPECT_EQ(doc["slots"][0]["pan"].dump(), "0.5");
    EXPECT_EQ(doc["slots"].size(), 8u);
    EXPECT_EQ(doc["patterns"].size(), 24u);
    EXPECT_EQ(doc["patterns"][23]["rows"][7]["pan"].size(), 16u);
}

TEST(BankFile, ShortHandWrittenBankTakesDefaultsForEverythingLeftOut) {
    ScratchDir dir;
    writeText(dir / "short.json", R"({
        "format": "quovent-bank", "version": 1,
        "shuffleAmount": 0.25,
        "slots": [ {}, { "volume": 0.9, "outputPair": 3, "sync": true } ],
        "patterns": [ { "rows": [ { "stepOn": [true, false, false, false, true, false, false,
                                               false, true, false, false, false, true, false,
                                               false, false] } ] },
                      {},
                      { "rows": [ {}, {}, { "pan": [0, 0, 0, 0, 1, 1, 1, 1,
                                                    0, 0, 0, 0, 1, 1, 1, 1] } ] } ]
    })");
    InstrumentUnderTest e;
    randomizeModel(*e, 3);
    const BankImportResult r = BankFile::importBank(*e, dir / "short.json");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.missingSamples.empty());

    // Apart from the few values the file gives, the model equals a fresh one.
    InstrumentUnderTest fresh;
    Sequencer& f = fresh->sequencer();
    f.shuffleAmount = 0.25f;
    f.slots().slot(1).volume = 0.9f;
    f.slots().slot(1).setOutputPair(3);
    f.slots().slot(1).sync = 1;
    for (int i = 0; i < 16; i += 4) {
        f.patterns().row(0, 0).setStep(i, true);
    }
    for (int i = 0; i < 16; ++i) {
        f.patterns().row(2, 2).setLane(static_cast<int>(Lane::Pan), i, (i / 4) % 2 == 0 ? 0 : 1);
    }
    expectSameModel(*fresh, *e);
}

TEST(BankFile, SamplePathsBesideOrBelowTheBankAreWrittenRelative) {
    ScratchDir dir;
    InstrumentUnderTest e;
    SlotBank& slots = e->sequencer().slots();
    const fs::path bankDir = dir / "banks";
    fs::create_directory(bankDir);
    slots.slot(0).setSamplePath(native(bankDir / "kick.wav"), 1.0);
    slots.slot(1).setSamplePath(native(bankDir / "kit/sub/snare.wav"), 1.0);
    slots.slot(2).setSamplePath(native(dir / "other/hat.wav"), 1.0);
    slots.slot(3).setSamplePath(native(bankDir / "kit/../../up.wav"), 1.0);
    slots.slot(4).setSamplePath(elsewhere("absolute/clap.wav").string(), 1.0);
    ASSERT_TRUE(BankFile::exportBank(*e, bankDir / "b.json").ok);

    const json doc = json::parse(readText(bankDir / "b.json"));
    EXPECT_EQ(doc["slots"][0]["samplePath"], "kick.wav");
    EXPECT_EQ(doc["slots"][1]["samplePath"], "kit/sub/snare.wav");
    // Other paths are written whole, with '/' separators on every system.
    EXPECT_EQ(doc["slots"][2]["samplePath"], (dir / "other/hat.wav").generic_string());
    EXPECT_EQ(doc["slots"][3]["samplePath"], (dir / "up.wav").generic_string());
    EXPECT_EQ(doc["slots"][4]["samplePath"], elsewhere("absolute/clap.wav").generic_string());
    EXPECT_EQ(doc["slots"][5]["samplePath"], ""); // no sample: the placeholder is not written
}

TEST(BankFile, RelativeSamplePathsAreReadRelativeToTheBank) {
    ScratchDir dir;
    const fs::path absolute = elsewhere("abs/clap.wav");
    writeText(dir / "set/b.json", R"({"format": "quovent-bank", "version": 1, "slots": [
        {"samplePath": "kick.wav"}, {"samplePath": "kit/./snare.wav"},
        {"samplePath": "../shared/hat.wav"}, {"samplePath": ")" +
                                      absolute.generic_string() + R"("},
        {"samplePath": ""}, {"samplePath": "        Set some dir with wav's.."}]})");
    InstrumentUnderTest e;
    const BankImportResult r = BankFile::importBank(*e, dir / "set/b.json");
    ASSERT_TRUE(r.ok) << r.error;
    SlotBank& slots = e->sequencer().slots();
    EXPECT_EQ(slots.slot(0).samplePath(), native(dir / "set/kick.wav"));
    EXPECT_EQ(slots.slot(1).samplePath(), native(dir / "set/kit/snare.wav"));
    EXPECT_EQ(slots.slot(2).samplePath(), native(dir / "shared/hat.wav"));
    EXPECT_EQ(slots.slot(3).samplePath(), absolute.string());
    EXPECT_TRUE(Slot::isPlaceholder(slots.slot(4).samplePath()));
    EXPECT_TRUE(Slot::isPlaceholder(slots.slot(5).samplePath()));
    // None of the four files exists: the bank is taken, and the missing ones are named.
    EXPECT_EQ(r.missingSamples,
              (std::vector<std::string>{slots.slot(0).samplePath(), slots.slot(1).samplePath(),
                                        slots.slot(2).samplePath(), absolute.string()}));
}

TEST(BankFile, ExportLeavesNoTemporaryFileBehind) {
    ScratchDir dir;
    InstrumentUnderTest e;
    writeText(dir / "b.json", "old");
    ASSERT_TRUE(BankFile::exportBank(*e, dir / "b.json").ok);
    ASSERT_TRUE(BankFile::exportBank(*e, dir / "b.json").ok);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"b.json"});
    EXPECT_TRUE(json::parse(readText(dir / "b.json")).is_object());
}

// Failures forced through POSIX resource limits and permissions; the Windows tests force
// theirs with read-only files (tests/windows).
#ifndef _WIN32
TEST(BankFile, AFailedWriteKeepsTheOldFileWhole) {
    ScratchDir dir;
    InstrumentUnderTest e;
    randomizeModel(*e, 1);
    writeText(dir / "b.json", "the old bank");
    // A file size limit makes the write fail part-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const BankExportResult r = BankFile::exportBank(*e, dir / "b.json");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("b.json"), std::string::npos) << r.error;
    EXPECT_EQ(readText(dir / "b.json"), "the old bank");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"b.json"});
}

TEST(BankFile, ExportIntoAnUnwritableDirectoryFailsAndChangesNothing) {
    ScratchDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    writeText(dir / "ro/b.json", "the old bank");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    // Permissions do not stop root, so as root the export runs as an unprivileged user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) {
            ::_exit(3);
        }
        InstrumentUnderTest e;
        const BankExportResult r = BankFile::exportBank(*e, dir / "ro/b.json");
        const bool named = r.error.find("Permission denied") != std::string::npos;
        ::_exit(r.ok ? 1 : named ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::permissions(dir / "ro", fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: export claimed success, 2: unclear message";
    EXPECT_EQ(readText(dir / "ro/b.json"), "the old bank");
    EXPECT_EQ(namesIn(dir / "ro"), std::vector<std::string>{"b.json"});
}
#endif
