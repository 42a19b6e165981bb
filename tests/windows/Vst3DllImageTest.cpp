// The VST 3 module as a file: built for this bitness, in its bundle's folder for that bitness,
// exporting exactly its factory, entry and exit under their undecorated names; the CLAP library
// exporting its entry record alone.
#include "PeImage.hpp"
#include "tests/support/ClapTestHost.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

using quovent::test::ClapLibrary;
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

TEST(Vst3DllImage, TheVst3AndClapLibrariesExportExactlyTheirEntriesUndecorated) {
    const struct {
        std::string path;
        std::set<std::string> names;
    } libraries[] = {
        {Vst3Module::binaryPath(), {"ExitDll", "GetPluginFactory", "InitDll"}},
        {ClapLibrary::path(), {"clap_entry"}},
    };
    for (const auto& library : libraries) {
        const auto image = PeImage::read(library.path);
        ASSERT_TRUE(image) << library.path;
        std::set<std::string> names;
        for (const auto& [name, address] : image->exports) {
            names.insert(name);
        }
        EXPECT_EQ(names, library.names);
    }
    Vst3Module module;
    EXPECT_EQ(module.library().symbol("GetPluginFactory@0"), nullptr);
    EXPECT_EQ(module.library().symbol("_GetPluginFactory@0"), nullptr);
}
