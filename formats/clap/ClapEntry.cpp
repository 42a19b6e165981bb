// The library's only export (formats/clap/exports.map, formats/clap/quovent-clap.def): the entry
// record clap_entry, a constant hosts read after loading the library.
#include "formats/clap/ClapFactory.hpp"

namespace {

bool QUOVENT_CLAP_CALL entryInit(const char* path) {
    return quovent::ClapFactory::enter(path);
}

void QUOVENT_CLAP_CALL entryDeinit() {
    quovent::ClapFactory::leave();
}

const void* QUOVENT_CLAP_CALL entryFactory(const char* id) {
    return quovent::ClapFactory::find(id);
}

} // namespace

#if defined(_WIN32)
#define QUOVENT_CLAP_EXPORT
#else
#define QUOVENT_CLAP_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUOVENT_CLAP_EXPORT const quovent::clap::PluginEntry clap_entry{
    quovent::clap::kVersion, entryInit, entryDeinit, entryFactory};
