// quovent-render refuses bad arguments and bad files with a message and a non-zero exit,
// and never leaves an output file behind (nor touches one that was there).
#include "RenderTestSupport.hpp"

using namespace quovent::test;

namespace {

struct BadRun {
    std::vector<std::string> args; // "OUT" stands for the output file
    const char* message;           // part of the error text
};

} // namespace

TEST(RenderErrors, BadArgumentsAndFilesAreRefusedWithoutOutput) {
    ScratchDir dir;
    writeText(dir / "garbage.mid", "this is no MIDI file at all");
    std::string truncated = MidiFileBuilder(96).bytes(0);
    truncated.resize(truncated.size() - 2);
    writeText(dir / "short.mid", truncated);
    std::string smpte = MidiFileBuilder(96).bytes(0);
    smpte[12] = static_cast<char>(0xE7); // -25 frames per second
    writeText(dir / "smpte.mid", smpte);
    MidiFileBuilder fast(96);
    fast.tempo(0, 1000); // 60000 BPM
    writeText(dir / "fast.mid", fast.bytes(96));
    writeText(dir / "bad.json", R"({"format": "quovent-bank", "version": 1,
                                   "slots": [{}, {}, {"outputPair": 9}]})");
    writeText(dir / "nosample.json", R"({"format": "quovent-bank", "version": 1,
                                        "slots": [{"samplePath": "gone.wav"}]})");

    const std::vector<BadRun> cases = {
        {{"--block", "0", "-o", "OUT"}, "--block: expected an integer from 1 to 65536, got '0'"},
        {{"--block", "65537", "-o", "OUT"}, "--block: expected an integer from 1 to 65536"},
        {{"--block", "512x", "-o", "OUT"}, "--block: expected an integer"},
        {{"--rate", "7999", "-o", "OUT"}, "--rate: expected an integer from 8000 to 384000"},
        {{"--rate", "384001", "-o", "OUT"}, "--rate: expected an integer from 8000 to 384000"},
        {{"--seconds", "0", "-o", "OUT"}, "--seconds: expected a number of seconds above 0"},
        {{"--seconds", "-2", "-o", "OUT"}, "--seconds: expected"},
        {{"--seconds", "3600.5", "-o", "OUT"}, "--seconds: expected"},
        {{"--seconds", "nan", "-o", "OUT"}, "--seconds: expected"},
        {{"--bars", "0", "-o", "OUT"}, "--bars: expected an integer from 1 to 10000"},
        {{"--bars", "2000", "--tempo", "10", "-o", "OUT"}, "longer than 3600 s"},
        {{"--tempo", "9", "-o", "OUT"}, "--tempo: expected a tempo from 10 to 1000 BPM"},
        {{"--play", "24", "-o", "OUT"}, "--play: expected an integer from 0 to 23"},
        {{"--pair", "7", "-o", "OUT"}, "--pair: expected an integer from 1 to 6"},
        {{"--pair", "1", "--all-outputs", "-o", "OUT"}, "--pair and --all-outputs exclude"},
        {{"--bits", "8", "-o", "OUT"}, "--bits: expected 16, 24 or 32f"},
        {{"--seconds", "1", "--bars", "1", "-o", "OUT"}, "--seconds and --bars exclude"},
        {{"--midi", dir / "garbage.mid", "--play", "1", "-o", "OUT"}, "--midi and --play exclude"},
        {{"--block", "64", "--block", "32", "-o", "OUT"}, "--block: given twice"},
        {{"--bogus", "-o", "OUT"}, "unknown argument '--bogus'"},
        {{"--rate"}, "--rate: missing value"},
        {{"--seconds", "1"}, "-o: an output file is required"},
        {{"--bank", dir / "none.json", "-o", "OUT"}, "none.json: No such file or directory"},
        {{"--bank", dir / "bad.json", "-o", "OUT"},
         "slots[2].outputPair: expected an integer from 1 to 6"},
        {{"--bank", dir / "nosample.json", "-o", "OUT"}, "samples that cannot be loaded"},
        {{"--midi", dir / "none.mid", "-o", "OUT"}, "none.mid: No such file or directory"},
        {{"--midi", dir / "garbage.mid", "-o", "OUT"}, "not a Standard MIDI File"},
        {{"--midi", dir / "short.mid", "-o", "OUT"}, "runs past the end of the file"},
        {{"--midi", dir / "smpte.mid", "-o", "OUT"}, "SMPTE"},
        {{"--midi", dir / "fast.mid", "-o", "OUT"}, "is outside 10..1000 BPM"},
    };
    const std::string out = dir / "out.wav";
    for (const BadRun& c : cases) {
        std::vector<std::string> args = c.args;
        std::string shown;
        for (std::string& a : args) {
            a = a == "OUT" ? out : a;
            shown += a + " ";
        }
        SCOPED_TRACE(shown);
        const RenderRun run = render(dir, args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(out));
    }
    // Nothing but the inputs is left in the directory: no temporary files either.
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.ends_with(".mid") || name.ends_with(".json")) << name;
    }
}

TEST(RenderErrors, AFailedRenderLeavesAnExistingOutputAlone) {
    ScratchDir dir;
    writeText(dir / "out.wav", "an older render");
    writeText(dir / "bad.json", "{ not json");
    const RenderRun run = render(dir, {"--bank", dir / "bad.json", "-o", dir / "out.wav"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("bank: not valid JSON"), std::string::npos) << run.err;
    EXPECT_EQ(readText(dir / "out.wav"), "an older render");

    const RenderRun noDirectory = render(dir, {"--seconds", "0.1", "-o", dir / "missing/out.wav"});
    EXPECT_EQ(noDirectory.exitCode, 1);
    EXPECT_NE(noDirectory.err.find("missing/out.wav: cannot write"), std::string::npos)
        << noDirectory.err;
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(RenderErrors, HelpIsNoError) {
    ScratchDir dir;
    const RenderRun run = render(dir, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("usage: quovent-render"), std::string::npos);
}
