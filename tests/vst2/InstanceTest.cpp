// The host binding linked directly: what a host cannot see through the record alone. The
// editor opcodes in the editor's own terms (key codes, rectangle), the base class's flags and
// program handling, exceptions stopping at the boundary, the host-callback wrappers with and
// without a host, and the instrument's reach into the model (parameters on the current
// slot, the note-off scale and synchronised slots on a sample-rate change).
#include "editor/Editor.hpp"
#include "editor/EditorBase.hpp"
#include "engine/NoteRatioTable.hpp"
#include "formats/vst2/ExtendedEffectBase.hpp"
#include "formats/vst2/PluginMain.hpp"
#include "formats/vst2/Vst2Plugin.hpp"
#include "tests/support/PluginRecord.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace quovent;

namespace {

// ---- A recording host callback ----------------------------------------------------------------

struct Call {
    vst::AEffect* effect;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    void* ptr;
    float opt;
};

struct Recorder {
    static inline std::vector<Call> calls;
    static inline std::intptr_t answer = 0; // for every opcode but audioMasterGetTime
    static inline vst::VstTimeInfo* time = nullptr;

    static void reset(std::intptr_t a = 0) {
        calls.clear();
        answer = a;
        time = nullptr;
    }
    static std::intptr_t QUOVENT_VSTCALL callback(vst::AEffect* effect, std::int32_t opcode,
                                                  std::int32_t index, std::intptr_t value,
                                                  void* ptr, float opt) {
        calls.push_back({effect, opcode, index, value, ptr, opt});
        if (opcode == vst::audioMasterGetTime) {
            return reinterpret_cast<std::intptr_t>(time);
        }
        return answer;
    }
};

// ---- A bare effect with an editor that records what reaches it --------------------------------

struct FakeEditor : EditorBase {
    EditorRect getRect() const override { return {1, 2, 300, 400}; }
    bool open(void* parent) override {
        parentSeen = parent;
        return openAnswer;
    }
    void close() override { ++closes; }
    void idle() override { ++idles; }
    int onKeyDown(const KeyCode& key) override {
        down.push_back(key);
        return 1;
    }
    int onKeyUp(const KeyCode& key) override {
        up.push_back(key);
        return 1;
    }
    int setKnobMode(int mode) override {
        knobMode = mode;
        return 1;
    }
    bool isOpen() const override { return false; }

    bool openAnswer = true;
    void* parentSeen = nullptr;
    int closes = 0;
    int idles = 0;
    int knobMode = -1;
    std::vector<KeyCode> down;
    std::vector<KeyCode> up;
};

class BareEffect : public ExtendedEffectBase {
public:
    BareEffect(vst::HostCallback host, bool withEditor) : ExtendedEffectBase(host, 2, 0) {
        if (withEditor) {
            auto editor = std::make_unique<FakeEditor>();
            fake = editor.get();
            setEditor(std::move(editor));
        }
    }
    void process(float**, float**, std::int32_t) noexcept override {}
    bool getErrorText(char*) override { throw std::runtime_error("a failing request"); }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) {
        return effect_.dispatcher(&effect_, opcode, index, value, ptr, opt);
    }
    std::int32_t flags() const { return effect_.flags; }

    FakeEditor* fake = nullptr;
};

} // namespace

TEST(EffectBase, EditorOpcodesReachTheEditorInItsOwnTerms) {
    BareEffect effect(nullptr, true);
    FakeEditor& ed = *effect.fake;
    EXPECT_EQ(effect.flags() & vst::effFlagsHasEditor, vst::effFlagsHasEditor);

    vst::ERect* rect = nullptr;
    EXPECT_EQ(effect.dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&rect)), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 1);
    EXPECT_EQ(rect->left, 2);
    EXPECT_EQ(rect->bottom, 300);
    EXPECT_EQ(rect->right, 400);

    int parent = 0;
    EXPECT_EQ(effect.dispatch(vst::effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(ed.parentSeen, &parent);
    ed.openAnswer = false;
    EXPECT_EQ(effect.dispatch(vst::effEditOpen, 0, 0, &parent), 0);
    EXPECT_EQ(effect.dispatch(vst::effEditIdle), 0);
    EXPECT_EQ(effect.dispatch(vst::effEditClose), 0);
    EXPECT_EQ(ed.idles, 1);
    EXPECT_EQ(ed.closes, 1);
    EXPECT_EQ(effect.dispatch(vst::effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(ed.knobMode, 2);

    struct Case {
        std::int32_t index;
        std::intptr_t value;
        float opt;
        std::int32_t character;
        std::uint8_t virt;
        std::uint8_t modifier;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {65, 0, 0.0f, 65, 0, 0},       // 'A', nothing else
        {0, 0x1234, 9.0f, 0, 0x34, 9}, // virt and modifier keep their low 8 bits
        {118, 0, 264.0f, 118, 0, 8},   // 264 & 0xff
        {118, 0, nan, 118, 0, 0},      // no number: no modifier
        {118, 0, 1e20f, 118, 0, 0},    // no int holds it: no modifier
        {-5, -1, -1.0f, -5, 0xff, 0xff},
    };
    for (const Case& c : cases) {
        ed.down.clear();
        EXPECT_EQ(effect.dispatch(vst::effEditKeyDown, c.index, c.value, nullptr, c.opt), 1);
        ASSERT_EQ(ed.down.size(), 1u);
        EXPECT_EQ(ed.down[0].character, c.character);
        EXPECT_EQ(ed.down[0].virt, c.virt);
        EXPECT_EQ(ed.down[0].modifier, c.modifier);
    }
    EXPECT_EQ(effect.dispatch(vst::effEditKeyUp, 65, 0, nullptr, 4.0f), 1);
    ASSERT_EQ(ed.up.size(), 1u);
    EXPECT_EQ(ed.up[0].character, 65);
    EXPECT_EQ(ed.up[0].modifier, 4);
}

TEST(EffectBase, WithoutAnEditorTheEditorOpcodesAnswerZero) {
    BareEffect effect(nullptr, false);
    EXPECT_EQ(effect.flags() & vst::effFlagsHasEditor, 0);
    vst::ERect* rect = nullptr;
    EXPECT_EQ(effect.dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&rect)), 0);
    EXPECT_EQ(rect, nullptr);
    for (const std::int32_t opcode :
         {vst::effEditOpen, vst::effEditClose, vst::effEditIdle, vst::effEditKeyDown,
          vst::effEditKeyUp, vst::effSetEditKnobMode}) {
        EXPECT_EQ(effect.dispatch(opcode, 65, 1), 0) << opcode;
    }
}

TEST(EffectBase, AFailingRequestAnswersZeroInsteadOfThrowing) {
    BareEffect effect(nullptr, false);
    char text[256] = {};
    EXPECT_EQ(effect.dispatch(vst::effGetErrorText, 0, 0, text), 0);
    EXPECT_EQ(effect.dispatch(vst::effIdentify), EffectBase::kIdentify); // still usable
}

TEST(EffectBase, ProgramsWithinTheCountAreSelectedAndAnswered) {
    BareEffect effect(nullptr, false); // two programs
    effect.dispatch(vst::effSetProgram, 0, 1);
    EXPECT_EQ(effect.dispatch(vst::effGetProgram), 1);
    for (const std::intptr_t outside :
         {std::intptr_t{2}, std::intptr_t{-1}, std::numeric_limits<std::intptr_t>::max()}) {
        effect.dispatch(vst::effSetProgram, 0, outside);
        EXPECT_EQ(effect.dispatch(vst::effGetProgram), 1) << outside;
    }
}

TEST(EffectBase, EachFlagSetterOwnsExactlyItsBit) {
    BareEffect effect(nullptr, false);
    struct Case {
        void (*set)(BareEffect&, bool);
        std::int32_t bit;
    };
    const Case cases[] = {
        {[](BareEffect& e, bool s) { e.hasClip(s); }, 1 << 1},
        {[](BareEffect& e, bool s) { e.hasVu(s); }, 1 << 2},
        {[](BareEffect& e, bool s) { e.canMono(s); }, 1 << 3},
        {[](BareEffect& e, bool s) { e.canProcessReplacing(s); }, 1 << 4},
        {[](BareEffect& e, bool s) { e.programsAreChunks(s); }, 1 << 5},
        {[](BareEffect& e, bool s) { e.isSynth(s); }, 1 << 8},
        {[](BareEffect& e, bool s) { e.noTail(s); }, 1 << 9},
        {[](BareEffect& e, bool s) { e.wantAsyncOperation(s); }, 1 << 10},
        {[](BareEffect& e, bool s) { e.hasExternalBuffer(s); }, 1 << 11},
    };
    for (const Case& c : cases) {
        c.set(effect, true);
        EXPECT_EQ(effect.flags(), c.bit);
        c.set(effect, false);
        EXPECT_EQ(effect.flags(), 0);
    }
    effect.isSynth(true);
    EXPECT_EQ(effect.dispatch(vst::effGetPlugCategory), vst::kPlugCategSynth);
    effect.isSynth(false);
    EXPECT_EQ(effect.dispatch(vst::effGetPlugCategory), vst::kPlugCategUnknown);
}

TEST(HostWrappers, WithoutAHostEachAnswersItsDefault) {
    BareEffect effect(nullptr, false);
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(333);
    vst::VstFileSelect select{};
    char text[256] = {};

    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(11));
    EXPECT_EQ(effect.updateSampleRate(), 48000.0f);
    EXPECT_EQ(effect.updateBlockSize(), 333);
    EXPECT_EQ(effect.getCurrentUniqueId(), 0);
    EXPECT_EQ(effect.getTimeInfo(vst::kVstTempoValid), nullptr);
    EXPECT_EQ(effect.tempoAt(0), 0);
    EXPECT_FALSE(effect.ioChanged());
    EXPECT_FALSE(effect.needIdle());
    EXPECT_FALSE(effect.sizeWindow(657, 590));
    EXPECT_EQ(effect.getPreviousPlug(0), nullptr);
    EXPECT_EQ(effect.getNextPlug(0), nullptr);
    EXPECT_FALSE(effect.canHostDo("openFileSelector"));
    EXPECT_FALSE(effect.getHostVendorString(text));
    EXPECT_FALSE(effect.openFileSelector(&select));
    EXPECT_FALSE(effect.closeFileSelector(&select));
    EXPECT_EQ(effect.openWindow(nullptr), nullptr);
    EXPECT_FALSE(effect.closeWindow(nullptr));
    EXPECT_EQ(effect.getDirectory(), nullptr);
    EXPECT_FALSE(effect.updateDisplay());
    EXPECT_EQ(effect.hostVendorSpecific(1, 2, nullptr, 3.0f), 0);
    // Notifications go nowhere without harm.
    effect.masterIdle();
    effect.wantEvents(1);
    effect.beginEdit(141);
    effect.endEdit(141);
    effect.setParameterAutomated(141, 0.5f);
    effect.setOutputSamplerate(44100.0f);
}

TEST(HostWrappers, EachSendsItsOpcodeWithTheRecordAndArguments) {
    Recorder::reset();
    BareEffect effect(&Recorder::callback, false);
    vst::AEffect* const record = effect.getAeffect();
    vst::VstTimeInfo time{};
    time.tempo = 97.0;
    Recorder::time = &time;

    effect.setParameterAutomated(145, 0.25f);
    effect.masterIdle();
    effect.wantEvents(1);
    EXPECT_EQ(effect.getTimeInfo(1027), &time);
    effect.beginEdit(153);
    effect.endEdit(153);
    effect.sizeWindow(657, 590);
    effect.isOutputConnected(3);
    effect.isInputConnected(2);
    effect.updateSampleRate();

    struct Expected {
        std::int32_t opcode;
        std::int32_t index;
        std::intptr_t value;
        float opt;
    };
    const Expected expected[] = {
        {vst::audioMasterAutomate, 145, 0, 0.25f},    {vst::audioMasterIdle, 0, 0, 0.0f},
        {vst::audioMasterWantMidi, 0, 1, 0.0f},       {vst::audioMasterGetTime, 0, 1027, 0.0f},
        {vst::audioMasterBeginEdit, 153, 0, 0.0f},    {vst::audioMasterEndEdit, 153, 0, 0.0f},
        {vst::audioMasterSizeWindow, 657, 590, 0.0f}, {vst::audioMasterPinConnected, 3, 1, 0.0f},
        {vst::audioMasterPinConnected, 2, 0, 0.0f},   {vst::audioMasterGetSampleRate, 0, 0, 0.0f},
    };
    ASSERT_EQ(Recorder::calls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Call& c = Recorder::calls[i];
        EXPECT_EQ(c.effect, record) << i;
        EXPECT_EQ(c.opcode, expected[i].opcode) << i;
        EXPECT_EQ(c.index, expected[i].index) << i;
        EXPECT_EQ(c.value, expected[i].value) << i;
        EXPECT_EQ(c.opt, expected[i].opt) << i;
    }
}

TEST(HostWrappers, AnswersAreReadAsTheHostMeansThem) {
    Recorder::reset(0);
    BareEffect effect(&Recorder::callback, false);
    EXPECT_EQ(effect.getMasterVersion(), 1); // 0 means an old host
    EXPECT_TRUE(effect.isOutputConnected(0));
    EXPECT_FALSE(effect.canHostDo("openFileSelector")); // 0: don't know

    Recorder::answer = 1;
    EXPECT_FALSE(effect.isOutputConnected(0)); // non-zero: not connected
    EXPECT_TRUE(effect.canHostDo("openFileSelector"));

    Recorder::answer = -1; // "no": a host without its own file selector
    EXPECT_FALSE(effect.canHostDo("openFileSelector"));

    Recorder::answer = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);

    Recorder::calls.clear();
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.canHostDo(nullptr));
    EXPECT_TRUE(Recorder::calls.empty());
}

// ---- The instrument ----------------------------------------------------------------------------

namespace {

using quovent::test::PluginRecord;

Vst2Plugin& instanceOf(const PluginRecord& record) {
    return *static_cast<Vst2Plugin*>(record->object);
}

} // namespace

TEST(Instrument, ParametersAreTheCurrentSlotsSettings) {
    Recorder::reset(1);
    const PluginRecord record(pluginMain(&Recorder::callback));
    ASSERT_NE(record, nullptr);
    Instrument& instrument = instanceOf(record).instrument();
    Slot& slot = instrument.sequencer().slots().slot(3);
    const Slot& other = instrument.sequencer().slots().slot(4);
    ASSERT_NE(instanceOf(record).sequencerEditor(), nullptr);
    instanceOf(record).sequencerEditor()->setCurrentSlot(&slot);

    struct Case {
        std::int32_t index;
        const Relaxed<float>& field;
        const Relaxed<float>& otherField;
    };
    const Case cases[] = {
        {141, slot.volume, other.volume}, {142, slot.length, other.length},
        {145, slot.tune, other.tune},     {153, slot.freq, other.freq},
        {154, slot.res, other.res},       {157, slot.pan, other.pan},
    };
    for (const Case& c : cases) {
        const float before = c.otherField;
        record->setParameter(record.get(), c.index, 0.75f);
        EXPECT_EQ(c.field, 0.75f) << c.index;
        EXPECT_EQ(record->getParameter(record.get(), c.index), 0.75f) << c.index;
        EXPECT_EQ(c.otherField, before) << c.index;
        // The host's values are untrusted: outside 0..1 they are taken as the nearer end,
        // and NaN leaves the setting as it was.
        record->setParameter(record.get(), c.index, 1.5f);
        EXPECT_EQ(record->getParameter(record.get(), c.index), 1.0f) << c.index;
        record->setParameter(record.get(), c.index, -std::numeric_limits<float>::infinity());
        EXPECT_EQ(c.field, 0.0f) << c.index;
        record->setParameter(record.get(), c.index, 0.25f);
        record->setParameter(record.get(), c.index, std::nanf(""));
        EXPECT_EQ(c.field, 0.25f) << c.index;
        record->setParameter(record.get(), c.index, 3.0e38f);
        EXPECT_EQ(c.field, 1.0f) << c.index;
    }
    const float tune = slot.tune;
    record->setParameter(record.get(), 143, 0.1f);
    EXPECT_EQ(record->getParameter(record.get(), 143), 0.0f);
    EXPECT_EQ(slot.tune, tune);

    // The editor's automation stores first, then tells the host with the parameter index.
    Recorder::calls.clear();
    instrument.editParameter(ParameterTable::slotParameter(3, SlotField::Tune), 0.25f);
    EXPECT_EQ(slot.tune, 0.25f);
    ASSERT_EQ(Recorder::calls.size(), 1u);
    EXPECT_EQ(Recorder::calls[0].opcode, vst::audioMasterAutomate);
    EXPECT_EQ(Recorder::calls[0].index, 145);
    EXPECT_EQ(Recorder::calls[0].opt, 0.25f);
}

TEST(Instrument, SampleRateSetsTheNoteOffScaleAndRestretchesSyncedSlots) {
    Recorder::reset(1);
    const PluginRecord record(pluginMain(&Recorder::callback));
    ASSERT_NE(record, nullptr);
    Vst2Plugin& plugin = instanceOf(record);
    Sequencer& sequencer = plugin.instrument().sequencer();
    EXPECT_EQ(sequencer.noteOffScale(), 1.0f);
    Slot& synced = sequencer.slots().slot(2);
    Slot& free = sequencer.slots().slot(5);
    synced.sample.setFrameCount(88200);
    synced.tune = 0.5f; // 16 steps
    synced.setSync(true, sequencer.samplesPerStep(44100.0f));
    free.sample.setFrameCount(88200);
    const float syncedAt44k = synced.syncIncrement;

    // Changing rate and block size together does none of the sample-rate work.
    EXPECT_EQ(record->dispatcher(record.get(), vst::effSetBlockSizeAndSampleRate, 0, 512, nullptr,
                                 96000.0f),
              1);
    EXPECT_EQ(plugin.instrument().sampleRate(), 96000.0f);
    EXPECT_EQ(plugin.getBlockSize(), 512);
    EXPECT_EQ(sequencer.noteOffScale(), 1.0f);
    EXPECT_EQ(synced.syncIncrement, syncedAt44k);

    record->dispatcher(record.get(), vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(plugin.instrument().sampleRate(), 48000.0f);
    EXPECT_EQ(sequencer.noteOffScale(), 0.092879817f);
    const double span = sequencer.samplesPerStep(48000.0f) * 16.0;
    EXPECT_FLOAT_EQ(synced.syncIncrement, static_cast<float>(88200.0 / span));
    EXPECT_EQ(free.syncIncrement, 1.0f);

    record->dispatcher(record.get(), vst::effSetSampleRate, 0, 0, nullptr, 22050.0f);
    EXPECT_EQ(sequencer.noteOffScale(), 0.092879817f); // whatever the rate

    // A new instance starts with a scale of its own and leaves this one's alone.
    const PluginRecord second(pluginMain(&Recorder::callback));
    EXPECT_EQ(instanceOf(second).instrument().sequencer().noteOffScale(), 1.0f);
    EXPECT_EQ(sequencer.noteOffScale(), 0.092879817f);
}

TEST(Instrument, HostTempoComesFromTheTimeRecord) {
    Recorder::reset(1);
    const PluginRecord record(pluginMain(&Recorder::callback));
    HostServices& services = instanceOf(record);
    EXPECT_EQ(services.hostTempo(), 0.0f); // no time record
    vst::VstTimeInfo time{};
    time.tempo = 140.0;
    Recorder::time = &time;
    Recorder::calls.clear();
    EXPECT_EQ(services.hostTempo(), 140.0f);
    ASSERT_EQ(Recorder::calls.size(), 1u);
    EXPECT_EQ(Recorder::calls[0].opcode, vst::audioMasterGetTime);
    EXPECT_EQ(Recorder::calls[0].value, vst::kVstTempoValid);
    EXPECT_EQ(instanceOf(record).instrument().sampleRate(), 44100.0f);
}

TEST(Instrument, EntryRefusesVersionZeroAndSurvivesANullCallback) {
    Recorder::reset(0);
    EXPECT_EQ(pluginMain(&Recorder::callback), nullptr);
    ASSERT_EQ(Recorder::calls.size(), 1u);
    EXPECT_EQ(Recorder::calls[0].effect, nullptr);
    EXPECT_EQ(Recorder::calls[0].opcode, vst::audioMasterVersion);

    const PluginRecord bare(pluginMain(nullptr));
    ASSERT_NE(bare, nullptr);
    Vst2Plugin& plugin = instanceOf(bare);
    EXPECT_NE(plugin.sequencerEditor(), nullptr);
    EXPECT_EQ(plugin.getMasterVersion(), 1);
    EXPECT_TRUE(plugin.isInputConnected(0));
    EXPECT_TRUE(plugin.isOutputConnected(0));
    EXPECT_EQ(plugin.updateSampleRate(), 44100.0f);
    EXPECT_EQ(plugin.hostTempo(), 0.0f);
    EXPECT_FALSE(plugin.canHostDo("sizeWindow"));
}
