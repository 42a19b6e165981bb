// Ardour 7 keeps and plays the VST 3 instrument's groove (tests/support/ArdourSessionCheck):
// the bundle is a back-dated copy in the scratch home's ~/.vst3 (where Ardour looks), scanned
// once there, and its state is the component's, in the preset container Ardour keeps as base64
// in the session file.
#include "tests/support/ArdourSessionCheck.hpp"
#include "tests/support/Base64.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;

// The class id as Ardour writes it.
constexpr const char* kClassId = "6AABEC9557E54A95A2556E750E249129";
constexpr const char* kProcessor = "type=\"vst3\" unique-id=\"6AABEC9557E54A95A2556E750E249129";

void putLittle(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

std::uint64_t getLittle(const std::string& in, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(in.at(at + static_cast<std::size_t>(i)));
    }
    return v;
}

// The preset container Ardour keeps a VST 3 instance's state in: a 48-byte header (tag,
// version, class id, where the chunk list is), the component's state, and the list naming it
// ("Comp") and the controller's (empty, "Cont").
std::string presetOf(const std::string& componentState) {
    std::string out = "VST3";
    putLittle(out, 1, 4);
    out += kClassId;
    putLittle(out, 48 + componentState.size(), 8);
    out += componentState;
    out += "List";
    putLittle(out, 2, 4);
    out += "Comp";
    putLittle(out, 48, 8);
    putLittle(out, componentState.size(), 8);
    out += "Cont";
    putLittle(out, 48 + componentState.size(), 8);
    putLittle(out, 0, 8);
    return out;
}

// The component state in a preset container; nothing when it is not one.
std::optional<std::string> componentStateOf(const std::string& preset) {
    if (preset.size() < 48 || preset.compare(0, 4, "VST3") != 0) {
        return std::nullopt;
    }
    const std::size_t list = getLittle(preset, 40, 8);
    if (list + 8 > preset.size() || preset.compare(list, 4, "List") != 0) {
        return std::nullopt;
    }
    const std::size_t entries = getLittle(preset, list + 4, 4);
    for (std::size_t e = 0; e < entries && list + 28 + e * 20 <= preset.size(); ++e) {
        const std::size_t at = list + 8 + e * 20;
        if (preset.compare(at, 4, "Comp") == 0) {
            const std::size_t offset = getLittle(preset, at + 4, 8);
            const std::size_t size = getLittle(preset, at + 12, 8);
            if (offset + size <= preset.size()) {
                return preset.substr(offset, size);
            }
        }
    }
    return std::nullopt;
}

class Vst3Format : public ArdourPluginFormat {
public:
    const char* luaType() const override { return "VST3"; }
    ProcessBlock::NoteOffs noteOffs() const override { return ProcessBlock::NoteOffs::AtFrame; }

    void install(ArdourSessionCheck& check) override {
        const fs::path bundle = check.home() / ".vst3/quovent.vst3";
        ArdourSessionCheck::copyBackDated(Vst3Module::bundlePath(), bundle);
        const ArdourToolRun scan =
            check.ardour({"/usr/lib/ardour7/ardour-vst3-scanner", "-v", "-f", bundle.string()});
        ASSERT_TRUE(scan.finished && scan.exitCode == 0) << scan.output;
    }

    // The parameter values Ardour wrote for the old state go, so that only the state speaks.
    void putState(ArdourSessionCheck&, std::string& xml, const std::string& groove) override {
        const auto chunk = ArdourSessionCheck::chunkIn(xml, kProcessor, "<chunk>");
        ASSERT_TRUE(chunk) << "the instrument's state is not in the session";
        xml.replace(chunk->first, chunk->second, base64Encode(presetOf(groove)));
        const auto processor = xml.find(kProcessor);
        for (auto port = xml.find("<Port id=", processor);
             port != std::string::npos && port < chunk->first;
             port = xml.find("<Port id=", processor)) {
            xml.erase(port, xml.find("/>", port) + 2 - port);
        }
    }

    std::optional<std::string> keptState(ArdourSessionCheck& check) override {
        const std::optional<std::string> preset = check.keptChunk(kProcessor, "<chunk>");
        return preset ? componentStateOf(*preset) : std::nullopt;
    }
};

TEST(Vst3ArdourSession, KeepsItsGrooveAndExportsEveryNoteOnItsFrame) {
    Vst3Format format;
    ArdourSessionCheck().run(format);
}

} // namespace
} // namespace quovent::test
