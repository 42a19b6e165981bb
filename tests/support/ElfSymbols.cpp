#include "tests/support/ElfSymbols.hpp"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace quovent::test {

std::set<std::string> definedDynamicSymbols(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> image((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::set<std::string> names;
    Elf64_Ehdr header{};
    if (image.size() < sizeof header) {
        return names;
    }
    std::memcpy(&header, image.data(), sizeof header);
    const auto section = [&](std::size_t i) {
        Elf64_Shdr s{};
        std::memcpy(&s, image.data() + header.e_shoff + i * header.e_shentsize, sizeof s);
        return s;
    };
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr symbols = section(i);
        if (symbols.sh_type != SHT_DYNSYM) {
            continue;
        }
        const Elf64_Shdr strings = section(symbols.sh_link);
        for (std::size_t k = 0; k < symbols.sh_size / sizeof(Elf64_Sym); ++k) {
            Elf64_Sym sym{};
            std::memcpy(&sym, image.data() + symbols.sh_offset + k * sizeof sym, sizeof sym);
            const int binding = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx != SHN_UNDEF && (binding == STB_GLOBAL || binding == STB_WEAK)) {
                names.insert(image.data() + strings.sh_offset + sym.st_name);
            }
        }
    }
    return names;
}

} // namespace quovent::test
