// The built bundle as an LV2 host sees it, loaded through lilv from LV2_PATH: its description
// agrees with the parameter table and the port layout, it refuses a host without the
// features it needs, renders silence into every output while no slot has a sample, carries
// out patch:Set in the worker and answers patch:Get, and survives garbage on its atom input
// (its states are Lv2InstrumentTest's).
#include "formats/lv2/PluginUris.hpp"
#include "formats/lv2/PortLayout.hpp"
#include "instrument/ParameterTable.hpp"
#include "tests/support/Lv2TestHost.hpp"
#include "tests/support/Lv2TestInstance.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "tests/support/TestWav.hpp"

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/time/time.h>
#include <lv2/ui/ui.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>

using namespace quovent;
using quovent::lv2::PluginUris;
using quovent::lv2::PortLayout;
using namespace quovent::test;
namespace fs = std::filesystem;

namespace {

// lilv values as plain text, freed on the way.
std::string text(LilvNode* node) {
    std::string value = node == nullptr ? "" : lilv_node_as_string(node);
    lilv_node_free(node);
    return value;
}

std::set<std::string> uris(LilvNodes* nodes) {
    std::set<std::string> out;
    LILV_FOREACH(nodes, i, nodes) {
        out.insert(lilv_node_as_uri(lilv_nodes_get(nodes, i)));
    }
    lilv_nodes_free(nodes);
    return out;
}

std::string slotUri(int slot) {
    return PluginUris::property(PluginUris::propertyOfSlot(slot));
}
std::string bankUri() {
    return PluginUris::property(PluginUris::kBankProperty);
}

class Lv2Plugin : public ::testing::Test {
protected:
    // A sample file the instrument takes, or a file of the given bytes.
    fs::path file(const std::string& name, const std::string& content = {}) {
        fs::path p = files.path() / name;
        if (content.empty()) {
            TestWav::decayingSquare(2000, 12000, 20).write(p);
        } else {
            std::ofstream(p, std::ios::binary) << content;
        }
        return p;
    }
    // The smallest groove bank: every setting at its default, no samples.
    static constexpr const char* kEmptyBank = R"({"format": "quovent-bank", "version": 1})";
    // The plug-in's answer to patch:Get for every property, by property URI.
    std::map<std::string, std::string> values(Lv2TestInstance& instance) {
        instance.input().patchGet(0);
        instance.run(64);
        std::map<std::string, std::string> out;
        for (const PatchReply& r : instance.takeReplies()) {
            out[r.property] = r.path;
        }
        return out;
    }

    Lv2TestHost host;
    ScratchDirectory files{"quovent-lv2-files"};
};

TEST_F(Lv2Plugin, TheDescriptionIsTheInstrumentWithThePortLayoutAndTheParameterTable) {
    LilvWorld* world = host.world();
    const LilvPlugin* plugin = host.plugin();
    EXPECT_EQ(text(lilv_plugin_get_name(plugin)), "quovent");
    EXPECT_EQ(text(lilv_plugin_get_author_name(plugin)), "Halvden Labs");
    EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))),
                 LV2_CORE__InstrumentPlugin);
    EXPECT_EQ(uris(lilv_plugin_get_required_features(plugin)),
              (std::set<std::string>{LV2_URID__map, LV2_WORKER__schedule}));
    EXPECT_EQ(uris(lilv_plugin_get_extension_data(plugin)),
              (std::set<std::string>{LV2_STATE__interface, LV2_WORKER__interface}));

    // The file properties hosts show as file choosers.
    LilvNode* writable = lilv_new_uri(world, LV2_PATCH__writable);
    LilvNode* range = lilv_new_uri(world, "http://www.w3.org/2000/01/rdf-schema#range");
    std::set<std::string> properties;
    LilvNodes* written =
        lilv_world_find_nodes(world, lilv_plugin_get_uri(plugin), writable, nullptr);
    LILV_FOREACH(nodes, i, written) {
        const LilvNode* property = lilv_nodes_get(written, i);
        properties.insert(lilv_node_as_uri(property));
        EXPECT_EQ(text(lilv_world_get(world, property, range, nullptr)), LV2_ATOM__Path);
    }
    lilv_nodes_free(written);
    lilv_node_free(writable);
    lilv_node_free(range);
    std::set<std::string> expectedProperties{bankUri()};
    for (int s = 0; s < 8; ++s) {
        expectedProperties.insert(slotUri(s));
    }
    EXPECT_EQ(properties, expectedProperties);

    // The editor.
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_EQ(std::string(lilv_node_as_uri(lilv_ui_get_uri(ui))), PluginUris::kUi);
    LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
    EXPECT_TRUE(lilv_ui_is_a(ui, x11));
    lilv_node_free(x11);
    lilv_uis_free(uis);

    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), PortLayout::kPortCount);
    LilvNode* atomPort = lilv_new_uri(world, LV2_ATOM__AtomPort);
    LilvNode* audioPort = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* controlPort = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* output = lilv_new_uri(world, LV2_CORE__OutputPort);
    LilvNode* midi = lilv_new_uri(world, LV2_MIDI__MidiEvent);
    LilvNode* position = lilv_new_uri(world, LV2_TIME__Position);
    LilvNode* message = lilv_new_uri(world, LV2_PATCH__Message);
    LilvNode* control = lilv_new_uri(world, LV2_CORE__control);
    LilvNode* group = lilv_new_uri(world, LV2_PORT_GROUPS__group);
    LilvNode* label = lilv_new_uri(world, "http://www.w3.org/2000/01/rdf-schema#label");
    LilvNode* toggled = lilv_new_uri(world, LV2_CORE__toggled);
    LilvNode* integer = lilv_new_uri(world, LV2_CORE__integer);
    LilvNode* enumeration = lilv_new_uri(world, LV2_CORE__enumeration);

    const LilvPort* in = lilv_plugin_get_port_by_index(plugin, PortLayout::kControlIn);
    EXPECT_TRUE(lilv_port_is_a(plugin, in, atomPort) && lilv_port_is_a(plugin, in, input));
    EXPECT_TRUE(lilv_port_supports_event(plugin, in, midi));
    EXPECT_TRUE(lilv_port_supports_event(plugin, in, position));
    EXPECT_TRUE(lilv_port_supports_event(plugin, in, message));
    EXPECT_EQ(lilv_plugin_get_port_by_designation(plugin, input, control), in);
    const LilvPort* notify = lilv_plugin_get_port_by_index(plugin, PortLayout::kNotifyOut);
    EXPECT_TRUE(lilv_port_is_a(plugin, notify, atomPort) && lilv_port_is_a(plugin, notify, output));
    EXPECT_EQ(lilv_plugin_get_port_by_designation(plugin, output, control), notify);

    for (std::uint32_t i = PortLayout::kFirstAudioOut; i < PortLayout::kFirstParameter; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const int pair = PortLayout::outputPair(i);
        const char side = PortLayout::isRight(i) ? 'r' : 'l';
        EXPECT_TRUE(lilv_port_is_a(plugin, port, audioPort) &&
                    lilv_port_is_a(plugin, port, output));
        EXPECT_EQ(std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port))),
                  "out" + std::to_string(pair) + "_" + side);
        EXPECT_EQ(text(lilv_port_get_name(plugin, port)),
                  "quov " + std::to_string(pair) + (side == 'r' ? " R" : " L"));
        LilvNodes* groups = lilv_port_get_value(plugin, port, group);
        ASSERT_EQ(lilv_nodes_size(groups), 1u);
        const LilvNode* g = lilv_nodes_get_first(groups);
        EXPECT_EQ(std::string(lilv_node_as_uri(g)), PluginUris::outputGroup(pair));
        EXPECT_EQ(text(lilv_world_get(world, g, label, nullptr)), "quov " + std::to_string(pair));
        lilv_nodes_free(groups);
    }

    // One control input per parameter, in the table's order, with its range and kind.
    std::vector<float> minimum(PortLayout::kPortCount);
    std::vector<float> maximum(PortLayout::kPortCount);
    std::vector<float> defaults(PortLayout::kPortCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    std::uint32_t index = PortLayout::kFirstParameter;
    for (const ParameterInfo& info : ParameterTable::all()) {
        SCOPED_TRACE(std::string(info.symbolText()));
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, controlPort) &&
                    lilv_port_is_a(plugin, port, input));
        EXPECT_EQ(std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port))),
                  info.symbolText());
        EXPECT_EQ(text(lilv_port_get_name(plugin, port)), info.nameText());
        EXPECT_EQ(minimum[index], info.minimum);
        EXPECT_EQ(maximum[index], info.maximum);
        EXPECT_EQ(defaults[index], info.defaultValue);
        EXPECT_EQ(lilv_port_has_property(plugin, port, toggled),
                  info.kind == ParameterKind::Toggle);
        EXPECT_EQ(lilv_port_has_property(plugin, port, integer),
                  info.kind == ParameterKind::Choice);
        EXPECT_EQ(lilv_port_has_property(plugin, port, enumeration),
                  info.kind == ParameterKind::Choice);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        std::map<float, std::string> labels;
        LILV_FOREACH(scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            labels[lilv_node_as_float(lilv_scale_point_get_value(point))] =
                lilv_node_as_string(lilv_scale_point_get_label(point));
        }
        lilv_scale_points_free(points);
        if (info.kind == ParameterKind::Choice) {
            ASSERT_EQ(static_cast<int>(labels.size()), info.labelCount);
            for (int l = 0; l < info.labelCount; ++l) {
                EXPECT_EQ(labels[info.minimum + static_cast<float>(l)],
                          info.labels[static_cast<std::size_t>(l)]);
            }
        } else {
            EXPECT_TRUE(labels.empty());
        }
        ++index;
    }
    for (LilvNode* node : {atomPort, audioPort, controlPort, input, output, midi, position, message,
                           control, group, label, toggled, integer, enumeration}) {
        lilv_node_free(node);
    }
}

TEST_F(Lv2Plugin, AHostWithoutTheRequiredFeaturesIsRefusedWithAReason) {
    Lv2InstanceOptions noMap;
    noMap.giveMap = false;
    EXPECT_EQ(Lv2TestInstance::create(host, noMap), nullptr);
    Lv2InstanceOptions noWorker;
    noWorker.giveWorker = false;
    EXPECT_EQ(Lv2TestInstance::create(host, noWorker), nullptr);
    const std::vector<std::string> log = host.logLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(LV2_WORKER__schedule), std::string::npos) << log[0];
    Lv2InstanceOptions badRate;
    badRate.sampleRate = 0.0;
    EXPECT_EQ(Lv2TestInstance::create(host, badRate), nullptr);

    // The optional ones may be missing.
    Lv2InstanceOptions bare;
    bare.giveLog = false;
    bare.giveOptions = false;
    const auto instance = Lv2TestInstance::create(host, bare);
    ASSERT_NE(instance, nullptr);
    instance->run(256);
}

TEST_F(Lv2Plugin, WithoutSamplesEveryOutputIsSilentWhateverTheBlockAndTheControls) {
    const auto instance = Lv2TestInstance::create(host);
    ASSERT_NE(instance, nullptr);
    for (const std::uint32_t frames : {4096u, 1u, 0u, 333u}) {
        for (int o = 0; o < 12; ++o) {
            std::fill(instance->outputBuffer(o).begin(), instance->outputBuffer(o).end(), 1.0f);
        }
        instance->setControl("slot3_volume", 0.1f * static_cast<float>(frames % 7));
        instance->setControl("slot1_output", 99.0f); // out of range: clamped, not trusted
        instance->setControl("shuffle", std::numeric_limits<float>::quiet_NaN());
        instance->input().midi(0, {0x99, 36, 127});
        instance->input().tempo(0, 90.0f);
        instance->run(frames);
        for (int o = 0; o < 12; ++o) {
            const std::vector<float>& out = instance->output(o);
            EXPECT_TRUE(
                std::all_of(out.begin(), out.begin() + frames, [](float v) { return v == 0.0f; }))
                << "output " << o << ", " << frames << " frames";
            EXPECT_TRUE(std::all_of(out.begin() + frames, out.end(), [](float v) {
                return v == 1.0f;
            })) << "written past the block";
        }
    }
}

TEST_F(Lv2Plugin, PatchSetIsCarriedOutInTheWorkerAndRepliedWithTheValueKept) {
    const auto instance = Lv2TestInstance::create(host);
    ASSERT_NE(instance, nullptr);
    const std::map<std::string, std::string> empty = values(*instance);
    ASSERT_EQ(empty.size(), 9u);
    for (const auto& [property, path] : empty) {
        EXPECT_EQ(path, "") << property;
    }

    const fs::path kick = file("kick.wav");
    const fs::path bank = file("groove.json", kEmptyBank);
    instance->input().patchSet(0, bankUri(), bank.string());
    instance->input().patchSet(0, slotUri(2), kick.string());
    instance->run(64); // scheduled, worked, answered after the block
    EXPECT_TRUE(instance->takeReplies().empty()) << "replies before the next block";
    instance->run(64);
    std::vector<PatchReply> expected{{bankUri(), bank.string()}}; // a bank sets every slot
    for (int s = 0; s < 8; ++s) {
        expected.push_back({slotUri(s), s == 2 ? kick.string() : ""});
    }
    EXPECT_EQ(instance->takeReplies(), expected);

    // A file that cannot be had is refused with the old value (Lv2InstrumentTest).
    instance->input().patchSet(0, slotUri(2), (files.path() / "missing.wav").string());
    instance->run(64);
    instance->run(64);
    EXPECT_EQ(instance->takeReplies(), (std::vector<PatchReply>{{slotUri(2), kick.string()}}));
    const std::map<std::string, std::string> now = values(*instance);
    EXPECT_EQ(now.at(slotUri(2)), kick.string());
    EXPECT_EQ(now.at(bankUri()), bank.string());
    EXPECT_EQ(now.at(slotUri(3)), "");
}

TEST_F(Lv2Plugin, RepliesThatDoNotFitWaitForTheNextBlocksInOrder) {
    Lv2InstanceOptions small;
    small.atomBufferBytes = 256; // room for two replies with long paths, at most
    const auto instance = Lv2TestInstance::create(host, small);
    ASSERT_NE(instance, nullptr);
    const std::string name = "sample-with-a-long-name-to-fill-the-buffer-quickly.wav";
    for (int s = 0; s < 8; ++s) {
        instance->input().patchSet(0, slotUri(s), file(std::to_string(s) + name).string());
        instance->run(16);
    }
    instance->run(16);
    instance->takeReplies();
    instance->input().patchGet(0);
    std::vector<PatchReply> all;
    for (int block = 0; block < 20 && all.size() < 9; ++block) {
        instance->run(16);
        const std::vector<PatchReply> some = instance->takeReplies();
        EXPECT_LE(some.size(), 2u);
        all.insert(all.end(), some.begin(), some.end());
    }
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[0].property, bankUri());
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(all[static_cast<std::size_t>(s + 1)],
                  (PatchReply{slotUri(s), (files.path() / (std::to_string(s) + name)).string()}));
    }
}

TEST_F(Lv2Plugin, AWorkerThreadEndsWithTheLastFileAccepted) {
    Lv2InstanceOptions threaded;
    threaded.worker = Lv2InstanceOptions::Worker::Thread;
    const auto instance = Lv2TestInstance::create(host, threaded);
    ASSERT_NE(instance, nullptr);
    fs::path last;
    for (int i = 0; i < 60; ++i) {
        const bool good = i % 3 != 2;
        const fs::path p =
            good ? file("s" + std::to_string(i) + ".wav") : files.path() / "gone.wav";
        if (good) {
            last = p;
        }
        instance->input().patchSet(0, slotUri(5), p.string());
        instance->run(32);
    }
    ASSERT_TRUE(instance->waitForWorker());
    instance->run(32);
    instance->run(32);
    EXPECT_EQ(values(*instance).at(slotUri(5)), last.string());
    EXPECT_EQ(instance->scheduleRefusals(), 0);
}

TEST_F(Lv2Plugin, GarbageOnTheAtomInputNeverBreaksTheInstanceOrItsOutput) {
    const auto instance = Lv2TestInstance::create(host);
    ASSERT_NE(instance, nullptr);
    std::mt19937 random(99);
    const fs::path kick = file("kick.wav");
    for (int block = 0; block < 3000; ++block) {
        AtomSequenceBuilder& in = instance->input();
        in.midi(random() % 100, {0x90, 60, 100});
        in.patchSet(random() % 100, slotUri(static_cast<int>(random() % 8)), kick.string());
        in.patchGet(random() % 100);
        std::vector<std::uint8_t> noise(random() % 96);
        for (std::uint8_t& b : noise) {
            b = static_cast<std::uint8_t>(random());
        }
        in.raw(noise.data(), noise.size());
        if (block % 5 == 0) {
            in.declareSize(static_cast<std::uint32_t>(random() % 4096));
        }
        instance->run(1 + random() % 512); // collectOutput checks the output's form
        instance->takeReplies();
    }
    instance->run(64);
    EXPECT_EQ(values(*instance).size(), 9u);
}

} // namespace
