// Bank files that are refused: each kind of fault is named with its field, and the model
// is left exactly as it was, even when the fault comes after fields that would change it.
#include "BankTestSupport.hpp"

#include "instrument/BankFile.hpp"

#include <nlohmann/json.hpp>

using namespace quovent;
using namespace quovent::test;
using nlohmann::json;

namespace {

struct BadBank {
    const char* name;
    std::function<void(json&)> spoil; // applied to a valid, full bank
    const char* message;
};

class BankFileErrors : public ::testing::Test {
protected:
    void SetUp() override {
        // A valid bank whose every field differs from the model it is imported into, so a
        // partial import would show.
        InstrumentUnderTest source;
        randomizeModel(*source, 11);
        std::string text;
        ASSERT_TRUE(BankFile::toText(*source, dir.path(), text).ok);
        valid = json::parse(text);
        randomizeModel(*target, 12);
        ASSERT_TRUE(BankFile::toText(*target, dir.path(), before).ok);
    }

    // Imports the text and checks the refusal message (or its start) and the untouched
    // model.
    void expectRefused(const std::string& text, const std::string& message,
                       bool wholeMessage = true) {
        writeText(dir / "bad.json", text);
        const BankImportResult r = BankFile::importBank(*target, dir / "bad.json");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(wholeMessage ? r.error : r.error.substr(0, message.size()), message);
        std::string after;
        ASSERT_TRUE(BankFile::toText(*target, dir.path(), after).ok);
        EXPECT_EQ(after, before) << "the model changed";
    }

    ScratchDir dir;
    InstrumentUnderTest target;
    json valid;
    std::string before;
};

} // namespace

TEST_F(BankFileErrors, EachFaultIsNamedAndChangesNothing) {
    const std::vector<BadBank> cases = {
        {"wrong format", [](json& j) { j["format"] = "other-bank"; },
         "format: expected \"quovent-bank\""},
        {"no format", [](json& j) { j.erase("format"); }, "format: expected \"quovent-bank\""},
        {"newer version", [](json& j) { j["version"] = 2; },
         "version: version 2 is not supported (expected 1)"},
        {"version as text", [](json& j) { j["version"] = "1"; }, "version: expected the integer 1"},
        {"unknown top-level field", [](json& j) { j["tempo"] = 120; }, "tempo: unknown field"},
        {"shuffle above 1", [](json& j) { j["shuffleAmount"] = 1.5; },
         "shuffleAmount: expected a number from 0 to 1"},
        {"shuffle as text", [](json& j) { j["shuffleAmount"] = "0.5"; },
         "shuffleAmount: expected a number from 0 to 1"},
        {"negative step edit mode", [](json& j) { j["stepEditMode"] = -0.01; },
         "stepEditMode: expected a number from 0 to 1"},
        {"bank 2", [](json& j) { j["bank"] = 2; }, "bank: expected an integer from 0 to 1"},
        {"fractional key", [](json& j) { j["key"] = 1.0; },
         "key: expected an integer from 0 to 11"},
        {"nine slots", [](json& j) { j["slots"].push_back(json::object()); },
         "slots: expected an array of at most 8 entries"},
        {"slots not an array", [](json& j) { j["slots"] = json::object(); },
         "slots: expected an array of at most 8 entries"},
        {"slot not an object", [](json& j) { j["slots"][3] = 5; }, "slots[3]: expected an object"},
        {"output pair 7", [](json& j) { j["slots"][2]["outputPair"] = 7; },
         "slots[2].outputPair: expected an integer from 1 to 6"},
        {"output pair 0", [](json& j) { j["slots"][2]["outputPair"] = 0; },
         "slots[2].outputPair: expected an integer from 1 to 6"},
        {"filter mode -1", [](json& j) { j["slots"][7]["filterMode"] = -1; },
         "slots[7].filterMode: expected an integer from 0 to 3"},
        {"huge filter mode", [](json& j) { j["slots"][0]["filterMode"] = 18446744073709551615u; },
         "slots[0].filterMode: expected an integer from 0 to 3"},
        {"active as number", [](json& j) { j["slots"][1]["active"] = 1; },
         "slots[1].active: expected true or false"},
        {"sync as null", [](json& j) { j["slots"][4]["sync"] = nullptr; },
         "slots[4].sync: expected true or false"},
        {"volume above 1", [](json& j) { j["slots"][6]["volume"] = 1.0001; },
         "slots[6].volume: expected a number from 0 to 1"},
        {"path not text", [](json& j) { j["slots"][0]["samplePath"] = 5; },
         "slots[0].samplePath: expected a string"},
        {"path with a zero", [](json& j) { j["slots"][0]["samplePath"] = std::string("a\0b", 3); },
         "slots[0].samplePath: a path cannot contain a zero character"},
        {"over-long path",
         [](json& j) { j["slots"][0]["samplePath"] = "/" + std::string(600, 'a'); },
         "slots[0].samplePath: path longer than 511 bytes"},
        {"misspelt slot field", [](json& j) { j["slots"][5]["volme"] = 0.5; },
         "slots[5].volme: unknown field"},
        {"25 patterns", [](json& j) { j["patterns"].push_back(json::object()); },
         "patterns: expected an array of at most 24 entries"},
        {"pattern not an object", [](json& j) { j["patterns"][9] = json::array(); },
         "patterns[9]: expected an object"},
        {"nine rows", [](json& j) { j["patterns"][4]["rows"].push_back(json::object()); },
         "patterns[4].rows: expected an array of at most 8 entries"},
        {"lane value above 1", [](json& j) { j["patterns"][3]["rows"][2]["vol"][7] = 1.01; },
         "patterns[3].rows[2].vol[7]: expected a number from 0 to 1"},
        {"lane value negative in the last row",
         [](json& j) { j["patterns"][23]["rows"][7]["pan"][15] = -1; },
         "patterns[23].rows[7].pan[15]: expected a number from 0 to 1"},
        {"short lane", [](json& j) { j["patterns"][0]["rows"][0]["tune"].erase(0); },
         "patterns[0].rows[0].tune: expected an array of 16 entries"},
        {"long step list", [](json& j) { j["patterns"][1]["rows"][5]["stepOn"].push_back(true); },
         "patterns[1].rows[5].stepOn: expected an array of 16 entries"},
        {"step flag as number", [](json& j) { j["patterns"][1]["rows"][0]["stepOn"][4] = 1; },
         "patterns[1].rows[0].stepOn[4]: expected true or false"},
        {"unknown row field", [](json& j) { j["patterns"][2]["rows"][3]["velocity"] = 1; },
         "patterns[2].rows[3].velocity: unknown field"},
    };
    for (const BadBank& c : cases) {
        SCOPED_TRACE(c.name);
        json spoilt = valid;
        c.spoil(spoilt);
        expectRefused(spoilt.dump(), c.message);
    }
}

TEST_F(BankFileErrors, TextThatIsNoBankIsRefused) {
    // The parser's own words follow the position; only the position is ours to check.
    expectRefused("", "bank: not valid JSON (parse error at line 1, column 1:", false);
    expectRefused("{\n  \"format\": \"quovent-bank\",\n  \"version\": 1,,\n}",
                  "bank: not valid JSON (parse error at line 3, column 16:", false);
    expectRefused("[1, 2]", "bank: expected a JSON object");
    expectRefused(R"({"format": "quovent-bank", "version": 1, "shuffleAmount": 1e999})",
                  "bank: not valid JSON (number overflow parsing '1e999')");
    expectRefused("\"quovent-bank\"", "bank: expected a JSON object");
    expectRefused(valid.dump() + "\ntrailing", "bank: not valid JSON (parse error at line 2",
                  false);
    expectRefused(std::string(100000, '[') + std::string(100000, ']'),
                  "bank: nested deeper than 16 levels");
    std::string huge = valid.dump();
    huge.insert(huge.size() - 1, std::string(std::size_t{5} * 1024 * 1024, ' '));
    expectRefused(huge, "bank: file larger than 4194304 bytes");
}

TEST_F(BankFileErrors, AFileThatCannotBeReadIsRefused) {
    const BankImportResult missing = BankFile::importBank(*target, dir / "none.json");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, (dir / "none.json").string() + ": No such file or directory");
    const BankImportResult directory = BankFile::importBank(*target, dir.path());
    EXPECT_FALSE(directory.ok);
    EXPECT_EQ(directory.error, dir.path().string() + ": is a directory");
    std::string after;
    ASSERT_TRUE(BankFile::toText(*target, dir.path(), after).ok);
    EXPECT_EQ(after, before);
}

TEST_F(BankFileErrors, CheckAnswersWithoutAModel) {
    EXPECT_EQ(BankFile::check(valid.dump(), dir.path()), "");
    EXPECT_EQ(BankFile::check(R"({"format": "quovent-bank", "version": 1, "key": 12})", "/"),
              "key: expected an integer from 0 to 11");
}
