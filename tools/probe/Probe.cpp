// quovent-probe: loads a VST 2 plug-in the way a Linux host's scanner does (dlopen, then
// VSTPluginMain or main) and prints what a host sees of it: names, versions, unique ID,
// inputs and outputs, flags, category, output pins, capabilities and the editor rectangle.
//
// Usage: quovent-probe PLUGIN.so
// Exit status: 0 when the plug-in was created and closed, 1 when it could not be loaded or
// refused to be created, 2 on wrong usage.
#include "formats/vst2/VstAbi.hpp"

#include <dlfcn.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vst = quovent::vst;

namespace {

constexpr std::intptr_t kHostVersion = 2400;
constexpr int kPinsShown = 12;
constexpr const char* kCanDoTexts[] = {"receiveVstEvents",
                                       "receiveVstMidiEvent",
                                       "receiveVstTimeInfo",
                                       "sendVstMidiEvent",
                                       "offline",
                                       "bypass"};

// A scanner's host: it knows its version and nothing else.
std::intptr_t QUOVENT_VSTCALL hostCallback(vst::AEffect*, std::int32_t opcode, std::int32_t,
                                           std::intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? kHostVersion : 0;
}

class Probe {
public:
    explicit Probe(vst::AEffect* effect) : effect_(effect) {}

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    // A text request into a zeroed buffer larger than any the interface asks for.
    std::string text(std::int32_t opcode, std::int32_t index = 0) {
        std::array<char, 256> buffer{};
        dispatch(opcode, index, 0, buffer.data());
        buffer.back() = '\0';
        return buffer.data();
    }

    void print() {
        std::printf("effect name:     %s\n", text(vst::effGetEffectName).c_str());
        std::printf("vendor:          %s\n", text(vst::effGetVendorString).c_str());
        std::printf("product:         %s\n", text(vst::effGetProductString).c_str());
        std::printf("vendor version:  %ld\n",
                    static_cast<long>(dispatch(vst::effGetVendorVersion)));
        std::printf("VST version:     %ld\n", static_cast<long>(dispatch(vst::effGetVstVersion)));
        std::printf("unique ID:       %s (0x%08x)\n", fourChars(effect_->uniqueID).c_str(),
                    static_cast<unsigned>(effect_->uniqueID));
        std::printf("inputs/outputs:  %d / %d\n", effect_->numInputs, effect_->numOutputs);
        std::printf("programs/params: %d / %d\n", effect_->numPrograms, effect_->numParams);
        std::printf("program name:    %s\n", text(vst::effGetProgramName).c_str());
        std::printf("flags:           0x%x%s\n", static_cast<unsigned>(effect_->flags),
                    decodeFlags(effect_->flags).c_str());
        const std::intptr_t category = dispatch(vst::effGetPlugCategory);
        std::printf("category:        %ld%s\n", static_cast<long>(category),
                    category == vst::kPlugCategSynth    ? " (synth)"
                    : category == vst::kPlugCategEffect ? " (effect)"
                                                        : "");
        printPins();
        printCanDo();
        printEditorRect();
    }

private:
    static std::string fourChars(std::int32_t code) {
        std::string s;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const auto c = static_cast<unsigned char>((static_cast<std::uint32_t>(code) >> shift));
            s += std::isprint(c) != 0 ? static_cast<char>(c) : '?';
        }
        return s;
    }

    static std::string decodeFlags(std::int32_t flags) {
        struct Bit {
            std::int32_t bit;
            const char* name;
        };
        constexpr Bit bits[] = {
            {vst::effFlagsHasEditor, "editor"},
            {vst::effFlagsHasClip, "clip"},
            {vst::effFlagsHasVu, "vu"},
            {vst::effFlagsCanMono, "mono"},
            {vst::effFlagsCanReplacing, "replacing"},
            {vst::effFlagsProgramChunks, "chunks"},
            {vst::effFlagsIsSynth, "synth"},
            {vst::effFlagsNoSoundInStop, "no tail"},
        };
        std::string s;
        for (const Bit& b : bits) {
            if ((flags & b.bit) != 0) {
                s += s.empty() ? " (" : ", ";
                s += b.name;
            }
        }
        return s.empty() ? s : s + ")";
    }

    void printPins() {
        std::printf("output pins:\n");
        const int pins = effect_->numOutputs < kPinsShown ? effect_->numOutputs : kPinsShown;
        for (int i = 0; i < pins; ++i) {
            vst::VstPinProperties pin{};
            if (dispatch(vst::effGetOutputProperties, i, 0, &pin) == 0) {
                std::printf("  %2d  (no properties)\n", i);
                continue;
            }
            pin.label[sizeof pin.label - 1] = '\0';
            std::printf("  %2d  \"%s\"%s%s\n", i, pin.label,
                        (pin.flags & vst::kVstPinIsActive) != 0 ? " active" : "",
                        (pin.flags & vst::kVstPinIsStereo) != 0 ? " stereo" : "");
        }
    }

    void printCanDo() {
        std::printf("can do:\n");
        for (const char* asked : kCanDoTexts) {
            std::string text = asked; // the plug-in gets a writable copy, as from a host
            std::printf("  %-20s %ld\n", asked,
                        static_cast<long>(dispatch(vst::effCanDo, 0, 0, text.data())));
        }
    }

    void printEditorRect() {
        if ((effect_->flags & vst::effFlagsHasEditor) == 0) {
            std::printf("editor:          none\n");
            return;
        }
        vst::ERect* rect = nullptr;
        const std::intptr_t answer = dispatch(vst::effEditGetRect, 0, 0, &rect);
        if (rect == nullptr) {
            std::printf("editor rect:     none (answer %ld)\n", static_cast<long>(answer));
            return;
        }
        std::printf("editor rect:     %d x %d (top %d, left %d, bottom %d, right %d; answer %ld)\n",
                    rect->right - rect->left, rect->bottom - rect->top, rect->top, rect->left,
                    rect->bottom, rect->right, static_cast<long>(answer));
    }

    vst::AEffect* effect_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PLUGIN.so\n", argv[0]);
        return 2;
    }
    // A bare file name means the file here, not a search of the library path.
    std::string path = argv[1];
    if (path.find('/') == std::string::npos) {
        path = "./" + path;
    }
    void* const library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    const char* entryName = "VSTPluginMain";
    void* symbol = dlsym(library, entryName);
    if (symbol == nullptr) {
        entryName = "main";
        symbol = dlsym(library, entryName);
    }
    if (symbol == nullptr) {
        std::fprintf(stderr, "%s exports neither VSTPluginMain nor main\n", argv[1]);
        dlclose(library);
        return 1;
    }
    const auto entry = reinterpret_cast<vst::PluginEntryProc>(symbol);
    vst::AEffect* const effect = entry(&hostCallback);
    if (effect == nullptr || effect->magic != vst::kEffectMagic) {
        std::fprintf(stderr, "%s: the entry created no effect\n", argv[1]);
        dlclose(library);
        return 1;
    }

    std::printf("plug-in:         %s (entry %s)\n", argv[1], entryName);
    Probe probe(effect);
    probe.dispatch(vst::effOpen);
    probe.print();
    probe.dispatch(vst::effClose);
    dlclose(library);
    return 0;
}
