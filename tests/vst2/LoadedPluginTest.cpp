// The plug-in as a host sees it: build/quovent.so loaded with dlopen, or the Windows DLL
// loaded with LoadLibraryW under Wine (through a misaligned stack on 32-bit Windows),
// driven through its effect record only. Covers creation, refusal, the record, every fixed
// dispatcher answer, texts, pins, capabilities, MIDI delivery and the two process entries.
#include "tests/support/EntryCalls.hpp"
#include "tests/support/TestHost.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace quovent;
using quovent::test::AudioBuffers;
using quovent::test::EntryCalls;
using quovent::test::EventList;
using quovent::test::TestHost;

namespace {

constexpr std::int32_t kQuov = vst::fourCharCode('q', 'u', 'o', 'v');

class LoadedPlugin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.open(), nullptr); }
    TestHost host;
};

} // namespace

TEST(PluginCreation, AsksTheVersionFirstThenDeclaresItsShape) {
    TestHost host;
    vst::AEffect* const e = host.open();
    ASSERT_NE(e, nullptr);

    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, vst::audioMasterVersion);
    EXPECT_FALSE(calls[0].hasEffect);
    EXPECT_EQ(calls[1].opcode, vst::audioMasterCanDo);
    EXPECT_EQ(calls[1].text, "sizeWindow");

    EXPECT_EQ(e->magic, vst::kEffectMagic);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 0);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 12);
    // Editor, replacing, program chunks, synthesizer.
    EXPECT_EQ(e->flags, 0x130 | vst::effFlagsHasEditor);
    EXPECT_NE(e->flags & vst::effFlagsCanReplacing, 0); // Ardour refuses a plug-in without it
    EXPECT_EQ(e->uniqueID, kQuov);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_NE(e->object, nullptr);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
}

TEST(PluginCreation, AHostAnsweringVersionZeroIsRefused) {
    TestHost host;
    host.answers.version = 0;
    EXPECT_EQ(host.open(), nullptr);
    ASSERT_EQ(host.calls().size(), 1u); // nothing was created, so nothing else asked
    EXPECT_EQ(host.calls()[0].opcode, vst::audioMasterVersion);

    host.answers.version = 1; // any other answer is accepted
    EXPECT_NE(host.open(), nullptr);
}

TEST(PluginCreation, ANullCallbackGivesAWorkingInstanceWithTheBaseDefaults) {
    TestHost host;
    vst::AEffect* const e = host.openWithoutCallback();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->uniqueID, vst::fourCharCode('N', 'o', 'E', 'f'));
    EXPECT_EQ(e->flags, vst::effFlagsHasEditor);
    EXPECT_EQ(host.dispatch(vst::effGetPlugCategory), vst::kPlugCategUnknown);

    // Usable, but it must not render twelve channels into the two it declared.
    host.dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.dispatch(vst::effMainsChanged, 0, 1);
    EXPECT_EQ(host.sendMidi({{0, 0x90, 60, 100}}), 1);
    std::array<float, 64> left{};
    std::array<float, 64> right{};
    left.fill(0.5f);
    std::array<float*, 2> two{left.data(), right.data()};
    EntryCalls::process(e->processReplacing, e, nullptr, two.data(), 64);
    EXPECT_EQ(left[0], 0.0f); // the declared channels are still overwritten
    EntryCalls::process(e->process, e, nullptr, two.data(), 64);
    EXPECT_EQ(host.text(vst::effGetEffectName), "quovent");
    EXPECT_TRUE(host.calls().empty());
    EXPECT_EQ(host.close(), 1);
}

TEST_F(LoadedPlugin, FixedAnswersOfTheDispatcher) {
    std::array<char, 256> scratch{};
    struct Case {
        std::int32_t opcode;
        std::intptr_t answer;
    };
    const Case cases[] = {
        {vst::effOpen, 0},
        {vst::effGetProgram, 0},
        {vst::effGetVu, 0},
        {vst::effIdentify, 0x4E764566}, // "NvEf"
        {vst::effCanBeAutomated, 1},
        {vst::effString2Parameter, 0},
        {vst::effGetNumProgramCategories, 1},
        {vst::effCopyProgram, 0},
        {vst::effConnectInput, 1},
        {vst::effConnectOutput, 1},
        {vst::effGetInputProperties, 0},
        {vst::effGetPlugCategory, vst::kPlugCategSynth},
        {vst::effGetCurrentPosition, 0},
        {vst::effGetDestinationBuffer, 0},
        {vst::effOfflineNotify, 0},
        {vst::effOfflinePrepare, 0},
        {vst::effOfflineRun, 0},
        {vst::effProcessVarIo, 0},
        {vst::effSetSpeakerArrangement, 0},
        {vst::effSetBypass, 0},
        {vst::effGetErrorText, 0},
        {vst::effGetVendorVersion, 1000}, // version 1.0.0
        {vst::effVendorSpecific, 0},
        {vst::effGetTailSize, 0},
        {vst::effIdle, 0},
        {vst::effGetIcon, 0},
        {vst::effSetViewPosition, 0},
        {vst::effGetParameterProperties, 0},
        {vst::effKeysRequired, 1},
        {vst::effGetVstVersion, 2200},
        {vst::effGetMidiProgramName, 0},
        {vst::effGetCurrentMidiProgram, -1},
        {vst::effGetMidiProgramCategory, 0},
        {vst::effHasMidiProgramsChanged, 0},
        {vst::effGetMidiKeyName, 0},
        {vst::effBeginSetProgram, 0},
        {vst::effEndSetProgram, 0},
        // Not handled at all.
        {vst::effEditDraw, 0},
        {vst::effEditMouse, 0},
        {vst::effEditKey, 0},
        {vst::effEditTop, 0},
        {vst::effEditSleep, 0},
        {-1, 0},
        {std::numeric_limits<std::int32_t>::min(), 0},
        {69, 0},
        {1000, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host.dispatch(c.opcode, 0, 0, scratch.data()), c.answer) << "opcode " << c.opcode;
    }
    EXPECT_EQ(host.calls(vst::audioMasterAutomate).size(), 0u);
}

TEST_F(LoadedPlugin, NamesAndStrings) {
    EXPECT_EQ(host.text(vst::effGetEffectName), "quovent");
    EXPECT_EQ(host.dispatch(vst::effGetEffectName, 0, 0, std::array<char, 32>{}.data()), 1);
    EXPECT_EQ(host.text(vst::effGetVendorString), "Halvden Labs");
    const std::string product = host.text(vst::effGetProductString);
    EXPECT_EQ(product.rfind("quovent ", 0), 0u);
    EXPECT_LT(product.size(), 64u);
    EXPECT_GT(product.size(), 8u);
    EXPECT_EQ(host.text(vst::effGetProgramName), "halvden.audio");
    EXPECT_EQ(host.text(vst::effGetProgramName).size(), 13u);
    for (const std::intptr_t category : {0, 3}) {
        for (const std::int32_t index : {0, 5, -1}) {
            std::array<char, 64> name{};
            EXPECT_EQ(host.dispatch(vst::effGetProgramNameIndexed, index, category, name.data()),
                      1);
            EXPECT_STREQ(name.data(), "halvden.audio");
        }
    }
    for (const std::int32_t index : {0, 141, 9999}) {
        EXPECT_EQ(host.text(vst::effGetParamName, index), "noname");
    }

    std::array<char, 32> display{};
    std::strcpy(display.data(), "stale");
    host.dispatch(vst::effGetParamDisplay, 145, 0, display.data());
    EXPECT_STREQ(display.data(), "");

    std::array<char, 32> label{};
    std::strcpy(label.data(), "host's");
    host.dispatch(vst::effGetParamLabel, 145, 0, label.data());
    EXPECT_STREQ(label.data(), "host's");

    // Null text pointers are answered without writing.
    EXPECT_EQ(host.dispatch(vst::effGetEffectName), 0);
    EXPECT_EQ(host.dispatch(vst::effGetProgramName), 0);
    EXPECT_EQ(host.dispatch(vst::effGetParamName), 0);
}

TEST_F(LoadedPlugin, TheOneProgramStaysProgramZero) {
    for (const std::intptr_t program : {0, 1, 5, -1}) {
        EXPECT_EQ(host.dispatch(vst::effSetProgram, 0, program), 0);
        EXPECT_EQ(host.dispatch(vst::effGetProgram), 0);
    }
    char name[] = "my program";
    EXPECT_EQ(host.dispatch(vst::effSetProgramName, 0, 0, name), 0);
    EXPECT_EQ(host.text(vst::effGetProgramName), "halvden.audio");
}

TEST_F(LoadedPlugin, OutputPinsArePairedAndEveryIndexIsAnswered) {
    struct Case {
        std::int32_t index;
        const char* label;
    };
    for (const Case& c : {Case{0, "quov 1"}, Case{1, "quov 1"}, Case{2, "quov 2"},
                          Case{11, "quov 6"}, Case{12, "quov 7"}}) {
        vst::VstPinProperties pin{};
        std::memcpy(pin.shortLabel, "keep", 5);
        pin.arrangementType = 77;
        EXPECT_EQ(host.dispatch(vst::effGetOutputProperties, c.index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, c.label) << c.index;
        EXPECT_EQ(pin.flags, vst::kVstPinIsActive | vst::kVstPinIsStereo);
        EXPECT_STREQ(pin.shortLabel, "keep"); // not written
        EXPECT_EQ(pin.arrangementType, 77);
    }
    vst::VstPinProperties input{};
    EXPECT_EQ(host.dispatch(vst::effGetInputProperties, 0, 0, &input), 0);
    EXPECT_EQ(host.dispatch(vst::effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST_F(LoadedPlugin, CanDoAnswersExactTextsOnly) {
    struct Case {
        const char* text;
        std::intptr_t answer;
    };
    for (const Case& c :
         {Case{"receiveVstEvents", 1}, Case{"receiveVstMidiEvent", 1}, Case{"sendVstMidiEvent", -1},
          Case{"receiveVstTimeInfo", -1}, Case{"", -1}, Case{"ReceiveVstEvents", -1},
          Case{"receiveVstEvents ", -1}}) {
        char text[64];
        std::strcpy(text, c.text);
        EXPECT_EQ(host.dispatch(vst::effCanDo, 0, 0, text), c.answer) << '"' << c.text << '"';
    }
    EXPECT_EQ(host.dispatch(vst::effCanDo), -1);
}

TEST_F(LoadedPlugin, EditorRectangleIsAnsweredAndStaysPut) {
    vst::ERect* rect = nullptr;
#ifndef _WIN32
    // At 100 %: no zoom kept, and no desktop factor in the environment.
    ::setenv("XDG_CONFIG_HOME", "/nonexistent/quovent-test-config", 1);
    ::unsetenv("GDK_SCALE");
    ::unsetenv("QT_SCALE_FACTOR");
#endif
    EXPECT_EQ(host.dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&rect)), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 590);
    EXPECT_EQ(rect->right, 657);
    vst::ERect* again = nullptr;
    host.dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&again));
    EXPECT_EQ(again, rect); // hosts keep the pointer
    EXPECT_EQ(host.dispatch(vst::effEditGetRect), 1);
}

TEST_F(LoadedPlugin, ResumeAsksForMidiEveryTimeAndSuspendDoesNothing) {
    host.clearCalls();
    host.dispatch(vst::effMainsChanged, 0, 1);
    host.dispatch(vst::effMainsChanged, 0, 0);
    host.dispatch(vst::effMainsChanged, 0, 1);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& c : calls) {
        EXPECT_EQ(c.opcode, vst::audioMasterWantMidi);
        EXPECT_EQ(c.value, 1);
        EXPECT_TRUE(c.hasEffect);
    }
}

TEST_F(LoadedPlugin, RateAndBlockSizeRequestsAnswerAsTabled) {
    EXPECT_EQ(host.dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(host.dispatch(vst::effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(host.dispatch(vst::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    // Absurd rates are refused without harm.
    host.dispatch(vst::effSetSampleRate, 0, 0, nullptr, 0.0f);
    host.dispatch(vst::effSetSampleRate, 0, 0, nullptr, std::nanf(""));
    AudioBuffers out(64);
    host.process(out);
    EXPECT_EQ(out.peak(), 0.0f);
}

TEST_F(LoadedPlugin, ParametersNeedACurrentSlot) {
    // A fresh editor has no current slot yet: values are not stored anywhere.
    host.setParameter(145, 0.75f);
    EXPECT_EQ(host.getParameter(145), 0.0f);
    EXPECT_EQ(host.getParameter(143), 0.0f);
    EXPECT_TRUE(host.calls(vst::audioMasterAutomate).empty());
}

TEST_F(LoadedPlugin, EventListsAreReadSafely) {
    EXPECT_EQ(host.dispatch(vst::effProcessEvents), 1); // null list
    EXPECT_EQ(host.sendMidi({}), 1);
    EXPECT_EQ(host.sendMidi({{0, 0x9e, 60, 100}, {10, 0x90, 64, 90}, {20, 0x80, 64, 0}}), 1);

    // Nulls, SysEx, a MIDI event with a nonsense byteSize, more than the declared two entries.
    vst::VstEvent sysex{};
    sysex.type = vst::kVstSysExType;
    sysex.byteSize = -7;
    vst::VstMidiEvent odd{};
    odd.type = vst::kVstMidiType;
    odd.byteSize = 1 << 30;
    odd.deltaFrames = 5;
    odd.midiData[0] = static_cast<char>(0xb0);
    odd.midiData[1] = 123;
    EventList list;
    list.addEvent(nullptr);
    list.addEvent(&sysex);
    list.addEvent(reinterpret_cast<vst::VstEvent*>(&odd));
    list.add({3, 0x90, 61, 100});
    EXPECT_EQ(host.sendEvents(list), 1);

    vst::VstEvents* const negative = list.events();
    negative->numEvents = -5;
    EXPECT_EQ(host.dispatch(vst::effProcessEvents, 0, 0, negative), 1);
}

TEST_F(LoadedPlugin, EveryBlockAsksTheHostForItsTempo) {
    AudioBuffers out(128);
    host.clearCalls();
    host.process(out);
    host.processReplacing(out);
    const auto asks = host.calls(vst::audioMasterGetTime);
    ASSERT_EQ(asks.size(), 2u);
    for (const auto& c : asks) {
        EXPECT_EQ(c.value,
                  vst::kVstTransportChanged | vst::kVstTransportPlaying | vst::kVstTempoValid);
    }

    // A host without time information, or with a nonsense tempo, is no reason to fail.
    host.answers.timeInfo = false;
    host.process(out);
    host.setTempo(std::nan(""));
    host.process(out);
    host.setTempo(-90.0);
    host.process(out);

    // Nothing is asked for blocks without frames; a block without buffers still plays on.
    host.clearCalls();
    AudioBuffers empty(0);
    host.process(empty);
    host.processReplacing(empty);
    vst::AEffect* const e = host.effect();
    EntryCalls::process(e->process, e, nullptr, out.outputs(), -64);
    EXPECT_EQ(host.count(vst::audioMasterGetTime), 0u);
    EntryCalls::process(e->process, e, nullptr, nullptr, 64);
    EntryCalls::process(e->processReplacing, e, nullptr, nullptr, 64);
    EXPECT_EQ(host.count(vst::audioMasterGetTime), 2u);
}

TEST(PluginAudio, AccumulatingAddsToWhatTheBuffersHeld) {
    // The replacing entry on stale buffers is the conformance suite's; the accumulating one
    // must add the instrument's output to what the host left there.
    AudioBuffers held(256, 0.25f);
    AudioBuffers silence(256, 0.0f);
    TestHost fresh;
    TestHost fresh2;
    for (TestHost* h : {&fresh, &fresh2}) {
        ASSERT_NE(h->open(), nullptr);
        h->setTempo(132.0);
        h->prepare(44100.0f, 256);
        EventList midi; // a pattern started on channel 15 and a slot note on channel 1
        midi.add({0, 0x9e, 60, 100});
        midi.add({17, 0x90, 60, 127});
        h->sendEvents(midi);
    }
    fresh.process(held);
    fresh2.process(silence);
    for (int c = 0; c < AudioBuffers::kChannels; ++c) {
        for (int i = 0; i < held.frames(); ++i) {
            ASSERT_EQ(held.channel(c)[i], 0.25f + silence.channel(c)[i]);
        }
    }
}

TEST(PluginLifecycle, CloseAnswersOneAndInstancesAreIndependent) {
    TestHost first;
    TestHost second;
    ASSERT_NE(first.open(), nullptr);
    ASSERT_NE(second.open(), nullptr);
    EXPECT_NE(first.effect(), second.effect());
    EXPECT_EQ(first.dispatch(vst::effOpen), 0);
    EXPECT_EQ(first.close(), 1);
    EXPECT_EQ(second.text(vst::effGetEffectName), "quovent"); // unaffected
    EXPECT_EQ(second.dispatch(vst::effClose), 1);
}
