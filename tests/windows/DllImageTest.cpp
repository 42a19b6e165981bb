// The DLL as a file: built for this bitness, exporting exactly VSTPluginMain and main (one
// function under two names), and importing nothing but DLLs every Windows has in its system
// folder, so it loads on a bare system without mingw's runtime DLLs beside it.
#include "PeImage.hpp"
#include "tests/support/TestHost.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>

using quovent::test::PeImage;
using quovent::test::TestHost;

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

TEST(DllImage, IsBuiltForThisBitness) {
    const auto image = PeImage::read(TestHost::pluginPath());
    ASSERT_TRUE(image) << TestHost::pluginPath();
    EXPECT_EQ(image->machine, sizeof(void*) == 4 ? 0x14c : 0x8664);
}

TEST(DllImage, ExportsExactlyTheTwoEntryNamesAsOneFunction) {
    const auto image = PeImage::read(TestHost::pluginPath());
    ASSERT_TRUE(image);
    ASSERT_EQ(image->exports.size(), 2u);
    ASSERT_EQ(image->exports.count("VSTPluginMain"), 1u);
    ASSERT_EQ(image->exports.count("main"), 1u);
    EXPECT_EQ(image->exports.at("main"), image->exports.at("VSTPluginMain"));

    // And the loader finds both, undecorated, at the same function.
    TestHost host;
    EXPECT_EQ(host.library().symbol("main"), reinterpret_cast<void*>(host.entry()));
    EXPECT_EQ(host.library().symbol("_VSTPluginMain"), nullptr);
    EXPECT_EQ(host.library().symbol("VSTPluginMain@4"), nullptr);
}

TEST(DllImage, ImportsOnlyDllsOfTheSystemFolder) {
    const auto image = PeImage::read(TestHost::pluginPath());
    ASSERT_TRUE(image);
    ASSERT_FALSE(image->imports.empty());
    for (const std::string& dll : image->imports) {
        const std::string name = lower(dll);
        EXPECT_EQ(name.rfind("lib", 0), std::string::npos) << dll << ": a mingw runtime DLL";
        EXPECT_TRUE(inSystemFolder(dll)) << dll << " is not in the system folder";
    }
}
