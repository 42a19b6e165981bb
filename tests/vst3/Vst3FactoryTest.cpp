// The bundle as a VST 3 host finds it: the module entry, the factory and its records (vendor,
// the one class with its fixed id, category, sub-categories and versions) and what the
// factory makes or refuses to make.
#include "platform/NativePath.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

using namespace quovent::vst3;
using quovent::test::Vst3Instance;
using quovent::test::Vst3Module;

namespace {

// The class id's bytes as this system's hosts store it (COM order on Windows).
const unsigned char* expectedClassBytes() {
    static const unsigned char kMostSignificantFirst[16] = {0x6A, 0xAB, 0xEC, 0x95, 0x57, 0xE5,
                                                            0x4A, 0x95, 0xA2, 0x55, 0x6E, 0x75,
                                                            0x0E, 0x24, 0x91, 0x29};
    // A GUID: the first word and the two halves of the second least significant byte first.
    static const unsigned char kCom[16] = {0x95, 0xEC, 0xAB, 0x6A, 0xE5, 0x57, 0x95, 0x4A,
                                           0xA2, 0x55, 0x6E, 0x75, 0x0E, 0x24, 0x91, 0x29};
    return kComByteOrder ? kCom : kMostSignificantFirst;
}

} // namespace

TEST(Vst3Module, TheBundleHasTheStandardLayout) {
    namespace fs = std::filesystem;
    const fs::path binary = quovent::platform::NativePath::fromUtf8(Vst3Module::binaryPath());
    EXPECT_TRUE(fs::is_regular_file(binary)) << Vst3Module::binaryPath();
    EXPECT_EQ(binary.parent_path().parent_path().filename(), "Contents");
    EXPECT_EQ(binary.parent_path().parent_path().parent_path().filename(), "quovent.vst3");
    EXPECT_EQ(binary.stem(), "quovent");
}

TEST(Vst3Module, EntryFactoryAndExitAnswerAsHostsExpect) {
    Vst3Module module;
    EXPECT_TRUE(module.entered());
    // A second GetPluginFactory hands out the same object with a reference of its own.
    auto* getFactory =
        reinterpret_cast<GetFactoryProc>(module.library().symbol("GetPluginFactory"));
    IPluginFactory* again = getFactory();
    EXPECT_EQ(again, module.factory());
    again->release();
    EXPECT_NE(module.factory2(), nullptr);
    EXPECT_NE(module.factory3(), nullptr);
    void* none = &module;
    EXPECT_EQ(module.factory()->queryInterface(IComponent::iid.bytes, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
    // Modules may be loaded by two hosts' scanners at once: entries nest.
    Vst3Module second;
    EXPECT_TRUE(second.entered());
}

TEST(Vst3Module, FactoryAndClassRecords) {
    Vst3Module module;
    PFactoryInfo factory{};
    ASSERT_EQ(module.factory()->getFactoryInfo(&factory), kResultOk);
    EXPECT_STREQ(factory.vendor, "Halvden Labs");
    EXPECT_NE(std::string(factory.url).find("halvden.audio"), std::string::npos);
    EXPECT_EQ(factory.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);

    ASSERT_EQ(module.factory()->countClasses(), 1);
    PClassInfo info{};
    ASSERT_EQ(module.factory()->getClassInfo(0, &info), kResultOk);
    EXPECT_EQ(std::memcmp(info.cid, expectedClassBytes(), 16), 0);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "quovent");
    EXPECT_EQ(info.cardinality, kManyInstances);

    PClassInfo2 info2{};
    ASSERT_EQ(module.factory2()->getClassInfo2(0, &info2), kResultOk);
    EXPECT_EQ(std::memcmp(info2.cid, info.cid, 16), 0);
    EXPECT_STREQ(info2.category, "Audio Module Class");
    EXPECT_STREQ(info2.name, "quovent");
    EXPECT_STREQ(info2.subCategories, "Instrument|Sampler");
    EXPECT_STREQ(info2.vendor, "Halvden Labs");
    EXPECT_STREQ(info2.version, "1.0.0");
    EXPECT_EQ(std::string(info2.sdkVersion).rfind("VST 3.", 0), 0u) << info2.sdkVersion;
    // Processor and controller are one object: the class cannot be distributed.
    EXPECT_EQ(info2.classFlags & kDistributable, 0u);

    PClassInfoW infoW{};
    ASSERT_EQ(module.factory3()->getClassInfoUnicode(0, &infoW), kResultOk);
    EXPECT_EQ(std::memcmp(infoW.cid, info.cid, 16), 0);
    EXPECT_EQ(std::u16string(infoW.name), u"quovent");
    EXPECT_EQ(std::u16string(infoW.vendor), u"Halvden Labs");
    EXPECT_EQ(std::u16string(infoW.version), u"1.0.0");
    EXPECT_STREQ(infoW.subCategories, "Instrument|Sampler");
    EXPECT_EQ(module.factory3()->setHostContext(nullptr), kResultOk);
}

TEST(Vst3Module, RecordRequestsOutsideTheClassListAreRefused) {
    Vst3Module module;
    PClassInfo info{};
    PClassInfo2 info2{};
    PClassInfoW infoW{};
    for (const int32 index : {-1, 1, 1000000}) {
        EXPECT_NE(module.factory()->getClassInfo(index, &info), kResultOk);
        EXPECT_NE(module.factory2()->getClassInfo2(index, &info2), kResultOk);
        EXPECT_NE(module.factory3()->getClassInfoUnicode(index, &infoW), kResultOk);
    }
    EXPECT_NE(module.factory()->getFactoryInfo(nullptr), kResultOk);
    EXPECT_NE(module.factory()->getClassInfo(0, nullptr), kResultOk);
    EXPECT_NE(module.factory2()->getClassInfo2(0, nullptr), kResultOk);
    EXPECT_NE(module.factory3()->getClassInfoUnicode(0, nullptr), kResultOk);
}

TEST(Vst3Module, MakesItsClassAsAnyOfItsInterfacesAndNothingElse) {
    Vst3Module module;
    const Uid cid = module.audioModuleClass();
    for (const Uid& iid :
         {FUnknown::iid, IComponent::iid, IAudioProcessor::iid, IEditController::iid}) {
        void* obj = nullptr;
        ASSERT_EQ(module.factory()->createInstance(cid.bytes, iid.bytes, &obj), kResultOk);
        ASSERT_NE(obj, nullptr);
        static_cast<FUnknown*>(obj)->release();
    }
    const Uid otherClass = makeUid(0x6AABEC95, 0x57E54A95, 0xA2556E75, 0x0E24912A);
    void* obj = &module;
    EXPECT_EQ(module.factory()->createInstance(otherClass.bytes, IComponent::iid.bytes, &obj),
              kNoInterface);
    EXPECT_EQ(obj, nullptr);
    obj = &module;
    EXPECT_EQ(module.factory()->createInstance(cid.bytes, IPluginFactory::iid.bytes, &obj),
              kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_NE(module.factory()->createInstance(nullptr, IComponent::iid.bytes, &obj), kResultOk);
    EXPECT_NE(module.factory()->createInstance(cid.bytes, nullptr, &obj), kResultOk);
    EXPECT_NE(module.factory()->createInstance(cid.bytes, IComponent::iid.bytes, nullptr),
              kResultOk);
}

TEST(Vst3Module, InstancesGiveBackEveryHostReferenceTheyTook) {
    Vst3Module module;
    Vst3Instance plugin(module);
    // Hosts initialize the object once more as controller: harmless.
    plugin.controller()->initialize(&plugin.host());
    EXPECT_GE(plugin.host().references(), 1u);
    EXPECT_GE(plugin.handler().references(), 1u);
    plugin.controller()->terminate();
    EXPECT_EQ(plugin.host().references(), 0u);
    EXPECT_EQ(plugin.handler().references(), 0u);
    // A terminated instance may be initialized again.
    EXPECT_EQ(plugin.component()->initialize(&plugin.host()), kResultOk);
}
