// The shared library's only exports: the entry a host calls once for every instance it wants,
// under the name Linux and 64-bit hosts look for first (VSTPluginMain) and under the name the
// interface gives it (main). Both are one function. Everything else stays hidden
// (-fvisibility=hidden and host/exports.map).
#include "formats/vst2/PluginMain.hpp"

#if defined(_WIN32)
// Windows builds export both names through a .def file.
#define QUOVENT_EXPORT
#else
#define QUOVENT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUOVENT_EXPORT quovent::vst::AEffect* QUOVENT_VSTCALL
VSTPluginMain(quovent::vst::HostCallback hostCallback) {
    return quovent::pluginMain(hostCallback);
}

#if !defined(_WIN32)
// A function called main must return int, so the second name is an alias of the first,
// declared under another C++ name and given the symbol name main.
extern "C" QUOVENT_EXPORT quovent::vst::AEffect*
    quoventMainAlias(quovent::vst::HostCallback) __asm__("main")
        __attribute__((alias("VSTPluginMain")));
#endif
