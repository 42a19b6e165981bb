// Loading with dlopen, as Linux hosts do.
#include "tests/support/PluginLibrary.hpp"

#include <dlfcn.h>

#include <stdexcept>

namespace quovent::test {

PluginLibrary::PluginLibrary(const std::string& path) {
    // Kept mapped after dlclose: libraries the plug-in pulls in (pixman, through cairo) keep
    // allocations made at their start-up in globals, which the leak checker reports as lost
    // once those libraries are unmapped.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_ == nullptr) {
        throw std::runtime_error("cannot load " + path + ": " + dlerror());
    }
}

PluginLibrary::~PluginLibrary() {
    dlclose(handle_);
}

void* PluginLibrary::symbol(const char* name) const {
    return dlsym(handle_, name);
}

} // namespace quovent::test
