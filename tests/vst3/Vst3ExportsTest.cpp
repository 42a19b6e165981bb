// What the Linux VST 3 module and CLAP library export: exactly their entries (read from the
// ELF file's dynamic symbol table, as `nm -D --defined-only` lists it), and dlsym finds them.
#include "tests/support/ClapTestHost.hpp"
#include "tests/support/ElfSymbols.hpp"
#include "tests/support/Vst3TestHost.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

using quovent::test::ClapLibrary;
using quovent::test::PluginLibrary;
using quovent::test::Vst3Module;

TEST(Vst3Exports, EachLibraryExportsItsEntriesAndNothingElse) {
    const struct {
        std::string path;
        std::set<std::string> names;
    } libraries[] = {
        {Vst3Module::binaryPath(), {"GetPluginFactory", "ModuleEntry", "ModuleExit"}},
        {ClapLibrary::path(), {"clap_entry"}},
    };
    for (const auto& library : libraries) {
        EXPECT_EQ(quovent::test::definedDynamicSymbols(library.path), library.names)
            << library.path;
        const PluginLibrary loaded(library.path);
        for (const std::string& name : library.names) {
            EXPECT_NE(loaded.symbol(name.c_str()), nullptr) << name;
        }
        EXPECT_EQ(loaded.symbol("VSTPluginMain"), nullptr);
    }
}
