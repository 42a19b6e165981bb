// Writes the bundle's Turtle files into a folder at build time:
//   quovent-lv2-turtle OUTPUT_FOLDER
// Each file is written beside its place and renamed into it, so a host never reads half of one.
#include "formats/lv2/TurtleWriter.hpp"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

void write(const std::filesystem::path& folder, std::string_view name, const std::string& text) {
    const std::filesystem::path file = folder / name;
    const std::filesystem::path temporary = folder / (std::string(name) + ".new");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            throw std::runtime_error("cannot write " + temporary.string());
        }
    }
    std::filesystem::rename(temporary, file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quovent-lv2-turtle OUTPUT_FOLDER\n";
        return 2;
    }
    try {
        using quovent::lv2::TurtleWriter;
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        write(folder, TurtleWriter::kManifestFile, TurtleWriter::manifest());
        write(folder, TurtleWriter::kPluginFile, TurtleWriter::plugin());
        write(folder, TurtleWriter::kUiFile, TurtleWriter::ui());
    } catch (const std::exception& e) {
        std::cerr << "quovent-lv2-turtle: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
