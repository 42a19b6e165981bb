// What the instrument costs in resident memory, measured as a host sees it:
//  - instances: the growth of this process's resident set when instances are created
//    through the loaded library (build/quovent.so, or the path given) and run idle blocks,
//  - slots: what one slot's sample buffer adds when WAV files of the common kinds are
//    loaded into it, set against the sample data the file holds.
// The goals: an idle instance adds at most 8 MB; a loaded slot about what its file holds.
// Usage: instance_memory [PLUGIN.so]
#include "formats/vst2/VstAbi.hpp"
#include "samples/SampleBuffer.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace quovent;

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr int kInstances = 8;
constexpr int kBlock = 512;
constexpr int kBlocks = 40;

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / kMegabyte;
}

std::intptr_t QUOVENT_VSTCALL host(vst::AEffect* /*effect*/, std::int32_t opcode,
                                   std::int32_t /*index*/, std::intptr_t /*value*/, void* /*ptr*/,
                                   float /*opt*/) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// Creates instances as a host does and renders idle blocks with each.
bool measureInstances(const char* path) {
    const double before = residentMegabytes();
    void* const library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return false;
    }
    auto* const entry = reinterpret_cast<vst::PluginEntryProc>(dlsym(library, "VSTPluginMain"));
    if (entry == nullptr) {
        std::fprintf(stderr, "%s has no VSTPluginMain\n", path);
        return false;
    }
    const double loaded = residentMegabytes();
    std::vector<float> samples(static_cast<std::size_t>(12 * kBlock));
    std::array<float*, 12> outputs{};
    for (int c = 0; c < 12; ++c) {
        outputs[static_cast<std::size_t>(c)] =
            samples.data() + static_cast<std::ptrdiff_t>(c) * kBlock;
    }
    std::vector<vst::AEffect*> effects;
    double afterFirst = loaded;
    for (int n = 0; n < kInstances; ++n) {
        vst::AEffect* const e = entry(&host);
        if (e == nullptr) {
            std::fprintf(stderr, "the entry refused an instance\n");
            return false;
        }
        e->dispatcher(e, vst::effOpen, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        e->dispatcher(e, vst::effSetBlockSize, 0, kBlock, nullptr, 0.0f);
        e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        for (int b = 0; b < kBlocks; ++b) {
            e->processReplacing(e, nullptr, outputs.data(), kBlock);
        }
        effects.push_back(e);
        if (n == 0) {
            afterFirst = residentMegabytes();
        }
    }
    const double afterAll = residentMegabytes();
    std::printf("instances (through %s)\n", path);
    std::printf("  library loaded:          %7.1f MB\n", loaded - before);
    std::printf("  first idle instance:     %7.1f MB\n", afterFirst - loaded);
    std::printf("  each of %d instances:     %7.1f MB  (goal: at most 8 MB)\n", kInstances,
                (afterAll - loaded) / kInstances);
    for (vst::AEffect* e : effects) {
        e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
    }
    dlclose(library);
    return true;
}

void put(std::vector<unsigned char>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
}

// A WAV file of noise; tag 1 PCM or 3 float. Answers the size of its sample data.
std::uint32_t writeWav(const std::string& path, std::uint16_t tag, std::uint16_t bits,
                       std::uint16_t channels, std::uint32_t frames) {
    const std::uint32_t align = channels * bits / 8u;
    const std::uint32_t dataBytes = frames * align;
    std::vector<unsigned char> file;
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    put(file, 36 + dataBytes, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(file, 16, 4);
    put(file, tag, 2);
    put(file, channels, 2);
    put(file, 44100, 4);
    put(file, 44100 * align, 4);
    put(file, align, 2);
    put(file, bits, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put(file, dataBytes, 4);
    std::uint32_t x = 12345;
    for (std::uint32_t i = 0; i < dataBytes; ++i) {
        x = x * 1664525u + 1013904223u;
        // Float data stays finite and small: the top byte of each value is kept low.
        const bool top = tag == 3 && (i % (bits / 8u)) == bits / 8u - 1;
        file.push_back(static_cast<unsigned char>(top ? 0x3C : x >> 24));
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return dataBytes;
}

void measureSlots() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quovent-memory-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    struct Kind {
        const char* name;
        std::uint16_t tag;
        std::uint16_t bits;
        std::uint16_t channels;
    };
    constexpr std::uint32_t kFrames = 220500; // five seconds at 44.1 kHz
    const Kind kinds[] = {{"16-bit stereo", 1, 16, 2},
                          {"16-bit mono", 1, 16, 1},
                          {"24-bit stereo", 1, 24, 2},
                          {"32-bit float stereo", 3, 32, 2}};
    const std::string shortFile = (dir / "short.wav").string();
    const double shortBytes = writeWav(shortFile, 1, 16, 2, 44100) / kMegabyte;

    std::printf("a slot's sample buffer (5 s files at 44.1 kHz; reload: 1 s 16-bit stereo)\n");
    std::printf("  %-20s %8s %8s %8s %8s %8s\n", "file", "empty", "data", "loaded", "reload",
                "cleared");
    for (const Kind& k : kinds) {
        const std::string file = (dir / "sample.wav").string();
        const double dataBytes = writeWav(file, k.tag, k.bits, k.channels, kFrames) / kMegabyte;
        const double before = residentMegabytes();
        auto buffer = std::make_unique<SampleBuffer>();
        const double empty = residentMegabytes();
        buffer->loadSample(file.c_str());
        const double loaded = residentMegabytes();
        buffer->loadSample(shortFile.c_str());
        const double reloaded = residentMegabytes();
        buffer->clearSample();
        const double cleared = residentMegabytes();
        std::printf("  %-20s %5.1f MB %5.1f MB %5.1f MB %5.1f MB %5.1f MB\n", k.name,
                    empty - before, dataBytes, loaded - before, reloaded - before,
                    cleared - before);
    }
    std::printf("  (the reload's own data: %.1f MB)\n", shortBytes);
    std::filesystem::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : QUOVENT_PLUGIN_PATH;
    if (!measureInstances(path)) {
        return 1;
    }
    measureSlots();
    return 0;
}
