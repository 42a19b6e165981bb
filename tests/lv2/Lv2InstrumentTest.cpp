// The LV2 plug-in's own ways with the instrument's groove (the promises every format keeps are
// the conformance suite's, a restored groove playing alike among them): a state saved through
// lilv, with its files mapped into the session, brings the groove and the control values into
// a fresh instance; samples gone keep their paths; state keys of the wrong kind are refused
// whole and missing ones take their defaults; hostile files set through patch:Set are refused
// with the old value.
#include "formats/lv2/PluginUris.hpp"
#include "instrument/Instrument.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/support/DemoGroove.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace quovent;
using namespace quovent::test;
using quovent::lv2::PluginUris;
namespace fs = std::filesystem;

namespace {

constexpr double kRate = 48000.0;

std::string bankUri() {
    return PluginUris::property(PluginUris::kBankProperty);
}
std::string slotUri(int slot) {
    return PluginUris::property(PluginUris::propertyOfSlot(slot));
}

// The demo groove with its sample paths made absolute: a bank file for patch:Set and, as it
// is, a state for the VST 2 plug-in's chunk.
std::string absoluteDemo() {
    return absoluteDemoGroove((fs::path(QUOVENT_SOURCE_DIR) / "resources" / "demo").string());
}

class Lv2Instrument : public ::testing::Test {
protected:
    std::unique_ptr<Lv2TestInstance> instance(std::uint32_t maxBlock = 4096) {
        Lv2InstanceOptions options;
        options.sampleRate = kRate;
        options.maxBlockLength = maxBlock;
        return Lv2TestInstance::create(host, options);
    }
    // patch:Set, carried out and answered; the replies.
    std::vector<PatchReply> set(Lv2TestInstance& lv2, const std::string& property,
                                const std::string& path) {
        lv2.input().patchSet(0, property, path);
        lv2.run(32);
        lv2.run(32);
        return lv2.takeReplies();
    }
    Lv2StateValues save(Lv2TestInstance& lv2) {
        Lv2StateValues values;
        EXPECT_EQ(lv2.saveValues(values), LV2_STATE_SUCCESS);
        return values;
    }
    std::string groove(Lv2TestInstance& lv2) {
        return save(lv2)[host.urid(PluginUris::kGroove)].bytes;
    }

    Lv2TestHost host;
    ScratchDirectory files{"quovent-lv2-instrument"};
};

TEST_F(Lv2Instrument, AStateSavedThroughLilvBringsTheGrooveAndItsSoundIntoAFreshInstance) {
    const fs::path bank = files.path() / "demo.json";
    writeText(bank, absoluteDemo());
    const fs::path tom = files.path() / "tom.wav";
    TestWav::decayingSquare(9000, 20000, 40).write(tom);
    ScratchDirectory session("quovent-lv2-instrument-session");
    std::string saved;
    std::map<std::string, float> controls;       // port symbol: value
    std::map<std::string, std::string> original; // property: path
    {
        const auto first = instance();
        set(*first, bankUri(), bank.string());
        set(*first, slotUri(5), tom.string());
        first->setControl("slot3_volume", 0.3f);
        first->setControl("shuffle", 0.0f);
        first->input().patchGet(0);
        first->run(64);
        for (const PatchReply& r : first->takeReplies()) {
            original[r.property] = r.path;
        }
        saved = groove(*first);
        const LilvStatePtr state = first->saveState(session.path());
        ASSERT_NE(state, nullptr);
        host.saveToFolder(*state, session.path());
        for (const ParameterInfo& info : ParameterTable::all()) {
            controls[std::string(info.symbolText())] = first->control(info.symbolText());
        }
    }
    const std::string ttl = readText(session.path() / "state.ttl");
    EXPECT_NE(ttl.find("slot6"), std::string::npos);
    EXPECT_EQ(ttl.find(files.path().string()), std::string::npos)
        << "an absolute path in a portable state:\n"
        << ttl;
    EXPECT_NE(saved.find("\"shuffleAmount\": 0"), std::string::npos) << saved.substr(0, 200);
    const LilvStatePtr loaded = host.loadFromFolder(session.path());
    ASSERT_NE(loaded, nullptr);
    const auto second = instance();
    second->restoreState(*loaded);
    EXPECT_EQ(controls.at("slot3_volume"), 0.3f);
    for (const auto& [symbol, value] : controls) { // with the groove, what decides the sound
        EXPECT_EQ(second->control(symbol), value) << symbol;
    }
    second->run(64);
    std::map<std::string, std::string> announced;
    for (const PatchReply& r : second->takeReplies()) {
        announced[r.property] = r.path;
    }
    ASSERT_EQ(announced.size(), 9u);
    // lilv links the files into the session: the same files, perhaps by other paths.
    ASSERT_FALSE(announced[slotUri(5)].empty());
    EXPECT_TRUE(fs::equivalent(announced[slotUri(5)], tom));
    EXPECT_TRUE(fs::equivalent(announced[bankUri()], bank));
    std::string restored = groove(*second);
    for (int s = 0; s < 8; ++s) { // the groove with the paths it was saved with
        const std::string now = "\"" + announced[slotUri(s)] + "\"";
        const std::string then = "\"" + original[slotUri(s)] + "\"";
        ASSERT_TRUE(fs::equivalent(announced[slotUri(s)], original[slotUri(s)])) << s;
        const std::size_t at = restored.find(now);
        ASSERT_NE(at, std::string::npos) << now;
        restored.replace(at, now.size(), then);
    }
    EXPECT_EQ(restored, saved);
}

TEST_F(Lv2Instrument, AStateWhoseSamplesAreGoneKeepsTheirPathsAndPlaysOn) {
    const fs::path tom = files.path() / "tom.wav";
    TestWav::decayingSquare(9000, 20000, 40).write(tom);
    const auto first = instance();
    set(*first, slotUri(2), tom.string());
    Lv2StateValues state = save(*first);
    fs::remove(tom);
    const auto second = instance();
    ASSERT_EQ(second->restoreValues(state), LV2_STATE_SUCCESS);
    EXPECT_NE(groove(*second).find(tom.string()), std::string::npos);
    second->run(64); // a restore announces every property
    const std::vector<PatchReply> replies = second->takeReplies();
    EXPECT_NE(std::find(replies.begin(), replies.end(), PatchReply{slotUri(2), tom.string()}),
              replies.end());
    second->input().midi(0, {0x92, 60, 100}); // slot 3's own note
    second->run(256);
    const std::vector<float>& out = second->output(0);
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 256, [](float v) { return v == 0.0f; }));
}

// What only an LV2 state can get wrong (hostile groove texts are the conformance suite's): a
// value of the wrong type or size, a text not ending in its zero, a sample path relative once
// the host mapped it back. A key the state leaves out is no fault: it takes its default.
TEST_F(Lv2Instrument, StateKeysOfTheWrongKindAreRefusedWholeAndMissingOnesTakeTheirDefaults) {
    const fs::path bank = files.path() / "demo.json";
    writeText(bank, absoluteDemo());
    const auto lv2 = instance();
    set(*lv2, bankUri(), bank.string());
    const Lv2StateValues good = save(*lv2);
    const std::string before = groove(*lv2);
    const std::uint32_t grooveKey = host.urid(PluginUris::kGroove);
    const std::uint32_t text = host.urid(LV2_ATOM__String);
    const std::uint32_t path = host.urid(LV2_ATOM__Path);
    const std::string saved = good.at(grooveKey).bytes; // with its closing zero
    std::string relative = saved;
    relative.erase(relative.find("\"samplePath\": \"/") + 15, 1);
    std::string huge = saved;
    huge.insert(1, std::string(Instrument::kMaxStateBytes, ' '));
    std::vector<std::pair<std::uint32_t, Lv2StateValue>> hostile = {
        {grooveKey, {saved, path}},
        {grooveKey, {saved, 0}},
        {grooveKey, {saved.substr(0, saved.size() - 1), text}},
        {grooveKey, {std::string(), text}},
        {grooveKey, {std::string("\0\0", 2), text}},
        {grooveKey, {huge, text}},
        {grooveKey, {relative, text}},
        {host.urid(slotUri(1)), {"/a.wav", path}},
        {host.urid(slotUri(1)), {std::string(4, '\0'), text}},
        {host.urid(bankUri()), {std::string(5000, 'p') + '\0', path}},
        {host.urid(slotUri(1)), {"/s.wav", path}},                          // no zero
        {host.urid(slotUri(1)), {"", path}},                                // nothing at all
        {host.urid(slotUri(1)), {std::string("/s.wav\0tail\0", 12), path}}, // zero inside
        {host.urid(slotUri(1)), {std::string("/s.wav\0", 7), host.urid(LV2_ATOM__Int)}},
    };
    std::mt19937 random(7);
    for (int i = 0; i < 100; ++i) { // paths damaged at random
        std::string bytes(1 + random() % 1500, 'x');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 3 == 0 ? 0 : 'a' + random() % 26);
        }
        if (bytes.back() == 0 && std::count(bytes.begin(), bytes.end(), '\0') == 1 &&
            bytes.size() <= 1024) {
            bytes.back() = 'x'; // would be a well-formed path
        }
        hostile.push_back({host.urid(slotUri(2 + i % 6)), {bytes, path}});
    }
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        host.clearLog();
        Lv2StateValues s = good;
        s[hostile[i].first] = hostile[i].second;
        EXPECT_NE(lv2->restoreValues(s), LV2_STATE_SUCCESS) << i;
        EXPECT_EQ(host.logLines().size(), 1u) << i;
        ASSERT_EQ(groove(*lv2), before) << "state " << i << " changed the groove";
    }
    // jalv's empty state at its start, and a state with only a bank path: the defaults. A
    // groove decides the slots' samples, whatever path a key beside it names.
    const std::string defaults = groove(*instance());
    Lv2StateValues beside;
    beside[grooveKey] = {std::string(R"({"format": "quovent-bank", "version": 1})") + '\0', text};
    beside[host.urid(slotUri(1))] = {std::string("/samples/snare.wav\0", 19), path};
    EXPECT_EQ(lv2->restoreValues(beside), LV2_STATE_SUCCESS);
    EXPECT_EQ(groove(*lv2), defaults);
    for (const bool withBank : {false, true}) {
        Lv2StateValues partial;
        if (withBank) {
            partial[host.urid(bankUri())] = {bank.string() + '\0', path};
        }
        EXPECT_EQ(lv2->restoreValues(partial), LV2_STATE_SUCCESS);
        EXPECT_EQ(groove(*lv2), defaults);
        lv2->run(64); // a restore announces every property
        const std::vector<PatchReply> replies = lv2->takeReplies();
        EXPECT_NE(std::find(replies.begin(), replies.end(),
                            PatchReply{bankUri(), withBank ? bank.string() : ""}),
                  replies.end());
    }
}

TEST_F(Lv2Instrument, HostileFilesAreRefusedWithTheOldValueAndOneLogLine) {
    const fs::path bank = files.path() / "demo.json";
    const std::string demo = absoluteDemo();
    writeText(bank, demo);
    const fs::path tom = files.path() / "tom.wav";
    TestWav::decayingSquare(9000, 20000, 40).write(tom);
    const auto lv2 = instance();
    set(*lv2, bankUri(), bank.string());
    set(*lv2, slotUri(3), tom.string());
    const std::string before = groove(*lv2);

    struct Bad {
        int property;
        std::string path;
        std::string why = {}; // what the log line says besides the property and the path
    };
    std::vector<Bad> bad;
    const fs::path fifo = files.path() / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const int p : {0, 4}) {
        bad.push_back({p, (files.path() / "missing").string()});
        bad.push_back({p, files.path().string(), "not a regular file"});
        bad.push_back({p, fifo.string(), "not a regular file"});
        bad.push_back({p, "relative/demo.json", "not an absolute path"});
        bad.push_back({p, "", "no file named"});
        bad.push_back({p, "/dev/null", "not a regular file"});
    }
    std::mt19937 random(5);
    const std::string wav = readText(tom);
    for (int i = 0; i < 30; ++i) {
        const fs::path b = files.path() / ("bank" + std::to_string(i) + ".json");
        const fs::path w = files.path() / ("cut" + std::to_string(i) + ".wav");
        writeText(b, demo.substr(0, random() % (demo.size() - 1)));
        writeText(w, wav.substr(0, random() % 44)); // cut in its header
        bad.push_back({0, b.string()});
        bad.push_back({1 + i % 8, w.string()});
    }
    const fs::path big = files.path() / "huge.json";
    writeText(big, "{" + std::string(Instrument::kMaxStateBytes + 10, ' ') + "}");
    bad.push_back({0, big.string()});
    bad.push_back({2, bank.string()}); // a bank as a sample
    bad.push_back({0, tom.string()});  // a sample as a bank

    std::map<std::string, std::string> kept;
    lv2->input().patchGet(0);
    lv2->run(64);
    for (const PatchReply& r : lv2->takeReplies()) {
        kept[r.property] = r.path;
    }
    for (const auto& [property, path, why] : bad) {
        host.clearLog();
        const std::string uri = PluginUris::property(property);
        const std::vector<PatchReply> replies = set(*lv2, uri, path);
        ASSERT_EQ(replies, (std::vector<PatchReply>{{uri, kept[uri]}})) << path;
        const std::vector<std::string> log = host.logLines();
        ASSERT_EQ(log.size(), 1u) << path;
        EXPECT_NE(log[0].find(PluginUris::propertyLabel(property)), std::string::npos) << log[0];
        EXPECT_NE(log[0].find(path), std::string::npos) << log[0];
        EXPECT_NE(log[0].find(why), std::string::npos) << log[0];
        EXPECT_EQ(std::count(log[0].begin(), log[0].end(), '\n'), 1) << log[0];
    }
    EXPECT_EQ(groove(*lv2), before);
}

} // namespace
