// The plug-in DLLs as files: each built for this bitness (the VST 3 module in its bundle's
// folder for it), exporting exactly its entries under their undecorated names (the VST 2 DLL's
// two names one function), and importing nothing but DLLs every Windows has in its system
// folder, so that it loads on a bare system without mingw's runtime DLLs beside it.
#include "PeImage.hpp"
#include "tests/support/ClapTestHost.hpp"
#include "tests/support/TestHost.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

using quovent::test::ClapLibrary;
using quovent::test::PeImage;
using quovent::test::TestHost;
using quovent::test::Vst3Module;

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool inSystemFolder(const std::string& dll) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    const std::wstring path = std::wstring(folder) + L"\\" + std::wstring(dll.begin(), dll.end());
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

TEST(DllImage, EachIsBuiltForThisBitnessExportsItsEntriesAndImportsOnlySystemDlls) {
    const struct {
        std::string path;
        std::set<std::string> names;
    } libraries[] = {
        {TestHost::pluginPath(), {"VSTPluginMain", "main"}},
        {Vst3Module::binaryPath(), {"ExitDll", "GetPluginFactory", "InitDll"}},
        {ClapLibrary::path(), {"clap_entry"}},
    };
    for (const auto& library : libraries) {
        SCOPED_TRACE(library.path);
        const auto image = PeImage::read(library.path);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->machine, sizeof(void*) == 4 ? 0x14c : 0x8664);
        std::set<std::string> names;
        for (const auto& [name, address] : image->exports) {
            names.insert(name);
        }
        EXPECT_EQ(names, library.names);
        ASSERT_FALSE(image->imports.empty());
        for (const std::string& dll : image->imports) {
            EXPECT_EQ(lower(dll).rfind("lib", 0), std::string::npos)
                << dll << ": a mingw runtime DLL";
            EXPECT_TRUE(inSystemFolder(dll)) << dll << " is not in the system folder";
        }
    }
    const auto vst2 = PeImage::read(TestHost::pluginPath());
    ASSERT_TRUE(vst2 && vst2->exports.size() == 2);
    EXPECT_EQ(vst2->exports.at("main"), vst2->exports.at("VSTPluginMain"));
    // And the loader finds the entries undecorated, the VST 2 DLL's at one function.
    TestHost host;
    EXPECT_EQ(host.library().symbol("main"), reinterpret_cast<void*>(host.entry()));
    EXPECT_EQ(host.library().symbol("_VSTPluginMain"), nullptr);
    EXPECT_EQ(host.library().symbol("VSTPluginMain@4"), nullptr);
    Vst3Module module;
    EXPECT_EQ(module.library().symbol("GetPluginFactory@0"), nullptr);
    EXPECT_EQ(module.library().symbol("_GetPluginFactory@0"), nullptr);
    const std::string folder = sizeof(void*) == 4 ? "/Contents/x86-win/" : "/Contents/x86_64-win/";
    EXPECT_NE(Vst3Module::binaryPath().find("quovent.vst3" + folder + "quovent.vst3"),
              std::string::npos);
}
