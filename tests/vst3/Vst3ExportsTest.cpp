// What the Linux module exports: exactly its factory, entry and exit (read from the ELF file's
// dynamic symbol table, as `nm -D --defined-only` lists it), and dlsym finds them.
#include "tests/support/ElfSymbols.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

using quovent::test::Vst3Module;

TEST(Vst3Exports, OnlyTheFactoryEntryAndExitAreExported) {
    EXPECT_EQ(quovent::test::definedDynamicSymbols(Vst3Module::binaryPath()),
              (std::set<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
    Vst3Module module;
    EXPECT_NE(module.library().symbol("ModuleEntry"), nullptr);
    EXPECT_NE(module.library().symbol("ModuleExit"), nullptr);
    EXPECT_EQ(module.library().symbol("VSTPluginMain"), nullptr);
}
