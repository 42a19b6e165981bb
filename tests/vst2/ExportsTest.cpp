// What the shared object exports: exactly the two entry names, one function. Read from the
// ELF file's dynamic symbol table, as `nm -D --defined-only` lists it.
#include "tests/support/ElfSymbols.hpp"
#include "tests/support/TestHost.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

using quovent::test::definedDynamicSymbols;
using quovent::test::TestHost;

TEST(PluginExports, OnlyTheTwoEntryNamesAreExported) {
    EXPECT_EQ(definedDynamicSymbols(TestHost::pluginPath()),
              (std::set<std::string>{"VSTPluginMain", "main"}));
    TestHost host;
    void* const viaMain = host.library().symbol("main");
    ASSERT_NE(viaMain, nullptr);
    EXPECT_EQ(viaMain, reinterpret_cast<void*>(host.entry())); // one function, two names
}
