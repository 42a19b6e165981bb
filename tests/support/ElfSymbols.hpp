// The names a shared object exports, read from its ELF file's dynamic symbol table: the global
// and weak symbols it defines, as `nm -D --defined-only` lists them and dlsym can find them.
// 64-bit ELF only; an unreadable file gives none.
#pragma once

#include <set>
#include <string>

namespace quovent::test {

std::set<std::string> definedDynamicSymbols(const std::string& path);

} // namespace quovent::test
