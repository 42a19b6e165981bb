// The host's own file selector as the instrument offers it to the editor: asked for only
// when the host says yes to both capabilities, the request sent as the interface's record,
// the answer read back without trusting the host, and the close call made with the very
// record the host saw.
#include "formats/vst2/PluginMain.hpp"
#include "formats/vst2/Vst2Plugin.hpp"
#include "tests/support/PluginRecord.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace quovent;

namespace {

struct SelectorHost {
    static inline std::map<std::string, std::intptr_t> canDo;
    static inline std::vector<std::int32_t> opcodes;
    static inline std::vector<vst::VstFileSelect*> opened;
    static inline std::vector<vst::VstFileSelect*> closed;
    // What the host's selector does with the record; answers the open call.
    static inline std::function<std::intptr_t(vst::VstFileSelect&)> select;
    // Copies taken during the open call (the record belongs to the plug-in).
    static inline vst::VstFileSelect seen{};
    static inline std::vector<vst::VstFileType> seenTypes;

    static void reset() {
        canDo = {{"openFileSelector", 1}, {"closeFileSelector", 1}};
        opcodes.clear();
        opened.clear();
        closed.clear();
        select = nullptr;
        seen = {};
        seenTypes.clear();
    }
    static std::intptr_t QUOVENT_VSTCALL callback(vst::AEffect* /*effect*/, std::int32_t opcode,
                                                  std::int32_t /*index*/, std::intptr_t /*value*/,
                                                  void* ptr, float /*opt*/) {
        opcodes.push_back(opcode);
        switch (opcode) {
        case vst::audioMasterVersion:
            return 2400;
        case vst::audioMasterCanDo: {
            const auto found = canDo.find(static_cast<const char*>(ptr));
            return found != canDo.end() ? found->second : 0;
        }
        case vst::audioMasterOpenFileSelector: {
            auto* record = static_cast<vst::VstFileSelect*>(ptr);
            opened.push_back(record);
            seen = *record;
            seenTypes.assign(record->fileTypes, record->fileTypes + record->nbFileTypes);
            return select ? select(*record) : 0;
        }
        case vst::audioMasterCloseFileSelector:
            closed.push_back(static_cast<vst::VstFileSelect*>(ptr));
            return 1;
        default:
            return 0;
        }
    }
};

using quovent::test::PluginRecord;

class HostFileSelectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectorHost::reset();
        record.reset(pluginMain(&SelectorHost::callback));
        ASSERT_NE(record, nullptr);
    }
    Vst2Plugin& plugin() { return *static_cast<Vst2Plugin*>(record->object); }

    static FileSelectRequest wavRequest() {
        FileSelectRequest request;
        request.types = {{"wav file", "wav"}};
        return request;
    }

    PluginRecord record;
};

std::intptr_t writePath(vst::VstFileSelect& r, const char* path) {
    std::strncpy(r.returnPath, path, static_cast<std::size_t>(r.sizeReturnPath) - 1);
    r.nbReturnPath = 1;
    return 1;
}

} // namespace

TEST_F(HostFileSelectorTest, AHostAnsweringBothCapabilitiesGetsTheRequestAndItsPathComesBack) {
    EXPECT_TRUE(plugin().hasHostFileSelector());
    SelectorHost::select = [](vst::VstFileSelect& r) { return writePath(r, "/x/kick.wav"); };
    FileSelectRequest request = wavRequest();
    request.title = "Locate";
    request.initialPath = "/samples";
    ASSERT_EQ(plugin().openHostFileSelector(request), 1);
    EXPECT_EQ(request.results, (std::vector<std::string>{"/x/kick.wav"}));

    const vst::VstFileSelect& seen = SelectorHost::seen;
    EXPECT_EQ(seen.command, vst::kVstFileLoad);
    EXPECT_EQ(seen.type, vst::kVstFileType);
    EXPECT_EQ(seen.macCreator, 0);
    EXPECT_STREQ(seen.title, "Locate");
    ASSERT_NE(seen.initialPath, nullptr);
    EXPECT_STREQ(seen.initialPath, "/samples");
    EXPECT_NE(seen.returnPath, nullptr);
    EXPECT_EQ(seen.sizeReturnPath, 1024);
    ASSERT_EQ(seen.nbFileTypes, 1);
    EXPECT_STREQ(SelectorHost::seenTypes[0].name, "wav file");
    EXPECT_STREQ(SelectorHost::seenTypes[0].macType, "wav");
    EXPECT_STREQ(SelectorHost::seenTypes[0].dosType, "wav");
    EXPECT_STREQ(SelectorHost::seenTypes[0].mimeType1, "");

    // The close call carries the record the host was shown, still holding its answer.
    ASSERT_TRUE(SelectorHost::closed.empty());
    plugin().closeHostFileSelector(request);
    ASSERT_EQ(SelectorHost::closed.size(), 1u);
    EXPECT_EQ(SelectorHost::closed[0], SelectorHost::opened[0]);
    // Closing again, or for a request never opened, sends nothing.
    plugin().closeHostFileSelector(request);
    FileSelectRequest other;
    plugin().closeHostFileSelector(other);
    EXPECT_EQ(SelectorHost::closed.size(), 1u);
}

TEST_F(HostFileSelectorTest, OnlyPositiveAnswersToBothCapabilitiesCount) {
    for (const auto& answers : std::vector<std::map<std::string, std::intptr_t>>{
             {{"openFileSelector", -1}, {"closeFileSelector", -1}},
             {{"openFileSelector", 1}, {"closeFileSelector", -1}},
             {{"openFileSelector", 1}},
             {{"closeFileSelector", 1}},
         }) {
        SelectorHost::canDo = answers;
        EXPECT_FALSE(plugin().hasHostFileSelector());
    }
    SelectorHost::canDo = {{"openFileSelector", 2}, {"closeFileSelector", 1}};
    EXPECT_TRUE(plugin().hasHostFileSelector());
}

TEST_F(HostFileSelectorTest, CancelledOrDeclinedGivesNothingButStillCloses) {
    SelectorHost::select = [](vst::VstFileSelect& r) {
        std::strcpy(r.returnPath, "/stale.wav"); // written, but the host answers 0
        return std::intptr_t{0};
    };
    FileSelectRequest request = wavRequest();
    request.results = {"old"};
    EXPECT_EQ(plugin().openHostFileSelector(request), 0);
    EXPECT_TRUE(request.results.empty());
    plugin().closeHostFileSelector(request);
    ASSERT_EQ(SelectorHost::closed.size(), 1u);
    EXPECT_EQ(SelectorHost::closed[0], SelectorHost::opened[0]);
}

TEST_F(HostFileSelectorTest, HostileAnswersAreReadWithinBoundsAndNeverCrash) {
    FileSelectRequest request = wavRequest();
    // A long title is cut to its field, with the zero.
    request.title = std::string(3000, 't');
    // The whole buffer filled, no zero anywhere.
    SelectorHost::select = [](vst::VstFileSelect& r) {
        std::memset(r.returnPath, 'a', static_cast<std::size_t>(r.sizeReturnPath));
        r.nbReturnPath = 1;
        return std::intptr_t{1};
    };
    ASSERT_EQ(plugin().openHostFileSelector(request), 1);
    EXPECT_EQ(request.results.front(), std::string(1023, 'a'));
    EXPECT_EQ(std::strlen(SelectorHost::seen.title), 1023u);
    plugin().closeHostFileSelector(request);

    // The host nulls the return path, or answers yes with nothing written.
    SelectorHost::select = [](vst::VstFileSelect& r) {
        r.returnPath = nullptr;
        r.nbReturnPath = 1;
        return std::intptr_t{1};
    };
    EXPECT_EQ(plugin().openHostFileSelector(request), 0);
    SelectorHost::select = [](vst::VstFileSelect& /*r*/) { return std::intptr_t{1}; };
    EXPECT_EQ(plugin().openHostFileSelector(request), 0);
    // An open without a close first closes the earlier record.
    EXPECT_EQ(SelectorHost::closed.size(), 2u);
    plugin().closeHostFileSelector(request);
    EXPECT_EQ(SelectorHost::closed.size(), 3u);

    // Multiple load: a huge count over a short list with null and unterminated entries.
    static char unterminated[2000];
    std::memset(unterminated, 'b', sizeof unterminated);
    static char* list[] = {const_cast<char*>("/one.wav"), nullptr, unterminated};
    FileSelectRequest multiple = wavRequest();
    multiple.command = FileSelectCommand::MultipleLoad;
    SelectorHost::select = [](vst::VstFileSelect& r) {
        EXPECT_EQ(r.returnPath, nullptr); // the host allocates for a multiple load
        r.returnMultiplePaths = list;
        r.nbReturnPath = 3;
        return std::intptr_t{1};
    };
    ASSERT_EQ(plugin().openHostFileSelector(multiple), 2);
    EXPECT_EQ(multiple.results[0], "/one.wav");
    EXPECT_EQ(multiple.results[1].size(), 1023u);
    SelectorHost::select = [](vst::VstFileSelect& r) {
        r.returnMultiplePaths = nullptr;
        r.nbReturnPath = 0x7fffffff;
        return std::intptr_t{1};
    };
    EXPECT_EQ(plugin().openHostFileSelector(multiple), 0);
    SelectorHost::select = [](vst::VstFileSelect& r) {
        r.returnMultiplePaths = list;
        r.nbReturnPath = -5;
        return std::intptr_t{1};
    };
    EXPECT_EQ(plugin().openHostFileSelector(multiple), 0);
}

TEST_F(HostFileSelectorTest, ASelectionLeftOpenIsClosedWhenTheInstanceGoes) {
    SelectorHost::select = [](vst::VstFileSelect& r) { return writePath(r, "/k.wav"); };
    FileSelectRequest request = wavRequest();
    plugin().openHostFileSelector(request);
    record.reset();
    ASSERT_EQ(SelectorHost::closed.size(), 1u);
    EXPECT_EQ(SelectorHost::closed[0], SelectorHost::opened[0]);
}
