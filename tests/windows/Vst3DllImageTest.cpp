// The VST 3 module as a file: built for this bitness, in its bundle's folder for that bitness,
// exporting exactly its factory, entry and exit under their undecorated names.
#include "PeImage.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

using quovent::test::PeImage;
using quovent::test::Vst3Module;

TEST(Vst3DllImage, IsBuiltForThisBitnessInItsFolder) {
    const auto image = PeImage::read(Vst3Module::binaryPath());
    ASSERT_TRUE(image) << Vst3Module::binaryPath();
    EXPECT_EQ(image->machine, sizeof(void*) == 4 ? 0x14c : 0x8664);
    const std::string folder = sizeof(void*) == 4 ? "/Contents/x86-win/" : "/Contents/x86_64-win/";
    EXPECT_NE(Vst3Module::binaryPath().find("quovent.vst3" + folder + "quovent.vst3"),
              std::string::npos);
}

TEST(Vst3DllImage, ExportsExactlyTheFactoryEntryAndExitUndecorated) {
    const auto image = PeImage::read(Vst3Module::binaryPath());
    ASSERT_TRUE(image);
    std::set<std::string> names;
    for (const auto& [name, address] : image->exports) {
        names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"ExitDll", "GetPluginFactory", "InitDll"}));
    Vst3Module module;
    EXPECT_EQ(module.library().symbol("GetPluginFactory@0"), nullptr);
    EXPECT_EQ(module.library().symbol("_GetPluginFactory@0"), nullptr);
}
