// The per-user settings in the registry: the sample base as the default value (REG_SZ) of
// HKEY_CURRENT_USER\Software\HalvdenLabs\SampleBase, read and written as UTF-16 so that any
// directory name survives, and the zoom as a REG_DWORD under ...\Zoom. Each test runs against
// a private copy of HKEY_CURRENT_USER (tests/support/IsolatedUserSettings).
#include "editor/SampleBrowser.hpp"
#include "platform/UserSettings.hpp"
#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

using namespace quovent;

namespace {

constexpr const wchar_t* kKey = L"Software\\HalvdenLabs\\SampleBase";
// "D:\Sämples\ドラム": Latin-1 and Japanese, never both in one ANSI code page.
constexpr const char* kUtf8Base = "D:\\S\xc3\xa4mples\\\xe3\x83\x89\xe3\x83\xa9\xe3\x83\xa0";
constexpr const wchar_t* kWideBase = L"D:\\S\u00e4mples\\\u30c9\u30e9\u30e0";

void setDefault(DWORD type, const void* data, DWORD bytes, const wchar_t* path = kKey) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void setDefaultText(const std::wstring& text, DWORD type = REG_SZ) {
    setDefault(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

struct Stored {
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

std::optional<Stored> storedDefault() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    Stored s;
    DWORD size = 0;
    RegQueryValueExW(key, nullptr, nullptr, &s.type, nullptr, &size);
    s.bytes.resize(size);
    const LSTATUS status = RegQueryValueExW(key, nullptr, nullptr, &s.type, s.bytes.data(), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional<Stored>(s) : std::nullopt;
}

class RecordingDialogs : public SampleDialogs {
public:
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return folder;
    }
    bool askYesNo(const std::string&) override { return false; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> chooseWavFile() override { return std::nullopt; }
    std::optional<std::string> chooseBankFile(FileSelectCommand, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> folder;
    std::vector<std::string> messages;
};

class RegistrySettings : public ::testing::Test {
protected:
    test::ScratchDirectory scratch{"quovent-registry"};
    test::IsolatedUserSettings settings{scratch.path()};
    RecordingDialogs dialogs;
    SampleBrowser browser{dialogs, [] { return 5512.5; }};
};

} // namespace

TEST_F(RegistrySettings, AMissingKeyMeansTheDriveRootWithoutAMessage) {
    std::string value = "untouched";
    EXPECT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Missing);
    EXPECT_EQ(value, "untouched");
    EXPECT_FALSE(browser.readSampleBase());
    EXPECT_EQ(browser.sampleBasePath(), "C:\\");
    EXPECT_TRUE(dialogs.messages.empty());

    // A key without a default value is no stored base either.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Missing);
}

TEST_F(RegistrySettings, AStoredValueIsReadWhateverItsCharacters) {
    setDefaultText(kWideBase);
    std::string value;
    ASSERT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Found);
    EXPECT_EQ(value, kUtf8Base);
    EXPECT_FALSE(browser.readSampleBase());
    EXPECT_EQ(browser.sampleBasePath(), kUtf8Base);
    EXPECT_TRUE(dialogs.messages.empty());

    // Stored without its terminating zero, or as an expandable text, it reads the same.
    const std::wstring plain = L"E:\\Kits";
    setDefault(REG_SZ, plain.data(), static_cast<DWORD>(plain.size() * sizeof(wchar_t)));
    ASSERT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Found);
    EXPECT_EQ(value, "E:\\Kits");
    SetEnvironmentVariableW(L"QUOVENT_TEST_DRIVE", L"F:");
    setDefaultText(L"%QUOVENT_TEST_DRIVE%\\Loops", REG_EXPAND_SZ);
    ASSERT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Found);
    EXPECT_EQ(value, "F:\\Loops");
}

TEST_F(RegistrySettings, AChosenBaseIsWrittenAsTextThatOtherProgramsRead) {
    dialogs.folder = kUtf8Base;
    browser.chooseSampleBase();
    EXPECT_TRUE(dialogs.messages.empty());
    const auto stored = storedDefault();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    const std::wstring expected(kWideBase);
    ASSERT_EQ(stored->bytes.size(), (expected.size() + 1) * sizeof(wchar_t)); // with its zero
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(stored->bytes.data())), expected);

    SampleBrowser fresh(dialogs, [] { return 5512.5; });
    EXPECT_FALSE(fresh.readSampleBase());
    EXPECT_EQ(fresh.sampleBasePath(), kUtf8Base);
    EXPECT_EQ(settings.storedEntries(), 1u);

    // Text that is not UTF-8 names no directory and is never stored.
    EXPECT_FALSE(UserSettings::writeSampleBase("D:\\\xff\xfe"));
    std::string value;
    ASSERT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Found);
    EXPECT_EQ(value, kUtf8Base);

    // A root keeps its backslash.
    EXPECT_TRUE(UserSettings::writeSampleBase("C:\\"));
    ASSERT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Found);
    EXPECT_EQ(value, "C:\\");
}

TEST_F(RegistrySettings, AValueThatIsNoTextIsReportedAndTheRootUsed) {
    const DWORD number = 42;
    const std::wstring lone(1, static_cast<wchar_t>(0xd800)); // half a surrogate pair
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD bytes;
    };
    const Case cases[] = {
        {"binary", REG_BINARY, "C:\\", 3},
        {"number", REG_DWORD, &number, sizeof number},
        {"broken UTF-16", REG_SZ, lone.c_str(), sizeof(wchar_t) * 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setDefault(c.type, c.data, c.bytes);
        std::string value = "untouched";
        EXPECT_EQ(UserSettings::readSampleBase(value), UserSettings::ReadResult::Unreadable);
        EXPECT_EQ(value, "untouched");
        dialogs.messages.clear();
        EXPECT_TRUE(browser.readSampleBase());
        EXPECT_EQ(browser.sampleBasePath(), "C:\\");
        browser.reportReadFailure();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0], "failed to read registry");
    }
}

TEST_F(RegistrySettings, AFailedWriteIsReportedAndTheChoiceKept) {
    settings.blockWrites();
    dialogs.folder = "D:\\Kits";
    browser.chooseSampleBase();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "failed to write to registry");
    EXPECT_EQ(browser.sampleBasePath(), "D:\\Kits");
}

TEST_F(RegistrySettings, TheZoomIsANumberUnderItsOwnKey) {
    constexpr const wchar_t* kZoom = L"Software\\HalvdenLabs\\Zoom";
    int percent = 0;
    EXPECT_EQ(UserSettings::readZoom(percent), UserSettings::ReadResult::Missing);
    ASSERT_TRUE(UserSettings::writeZoom(150));
    ASSERT_EQ(UserSettings::readZoom(percent), UserSettings::ReadResult::Found);
    EXPECT_EQ(percent, 150);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kZoom, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof value;
    EXPECT_EQ(
        RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 150u);
    // The sample base is not disturbed by it.
    std::string base;
    EXPECT_EQ(UserSettings::readSampleBase(base), UserSettings::ReadResult::Missing);

    // A value no zoom can be, or of another type, means no choice: the desktop's scale.
    EXPECT_FALSE(UserSettings::writeZoom(10));
    const DWORD huge = 900;
    setDefault(REG_DWORD, &huge, sizeof huge, kZoom);
    EXPECT_EQ(UserSettings::readZoom(percent), UserSettings::ReadResult::Missing);
    setDefault(REG_SZ, L"150", 8, kZoom);
    EXPECT_EQ(UserSettings::readZoom(percent), UserSettings::ReadResult::Missing);
    EXPECT_EQ(percent, 150); // untouched by the refusals
}
