#include "formats/clap/ClapFactory.hpp"

#include "formats/clap/ClapPlugin.hpp"
#include "instrument/PluginInfo.hpp"

#include <cstring>
#include <exception>

namespace quovent {

namespace {

constexpr const char* kFeatures[] = {"instrument", "drum-machine", "sampler", "stereo", nullptr};

std::uint32_t QUOVENT_CLAP_CALL pluginCount(const clap::PluginFactory* /*factory*/) {
    return 1;
}

const clap::PluginDescriptor* QUOVENT_CLAP_CALL
pluginDescriptor(const clap::PluginFactory* /*factory*/, std::uint32_t index) {
    return index == 0 ? &ClapFactory::descriptor() : nullptr;
}

const clap::Plugin* QUOVENT_CLAP_CALL createPlugin(const clap::PluginFactory* /*factory*/,
                                                   const clap::Host* host, const char* id) {
    return ClapFactory::create(host, id);
}

constexpr clap::PluginDescriptor kDescriptor{
    clap::kVersion,
    PluginInfo::kClapId.data(),
    PluginInfo::kName.data(),
    PluginInfo::kVendor.data(),
    PluginInfo::kUrl.data(),
    PluginInfo::kUrl.data(),
    PluginInfo::kUrl.data(),
    PluginInfo::kVersion.data(),
    PluginInfo::kDescription.data(),
    kFeatures,
};
constexpr clap::PluginFactory kFactory{pluginCount, pluginDescriptor, createPlugin};

} // namespace

const clap::PluginDescriptor& ClapFactory::descriptor() noexcept {
    return kDescriptor;
}

const clap::PluginFactory& ClapFactory::factory() noexcept {
    return kFactory;
}

const clap::Plugin* ClapFactory::create(const clap::Host* host, const char* id) noexcept {
    if (host == nullptr || host->clap_version.major < 1 || id == nullptr ||
        std::strcmp(id, kDescriptor.id) != 0) {
        return nullptr;
    }
    try {
        return (new ClapPlugin(host, &kDescriptor))->record();
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool ClapFactory::enter(const char* /*path*/) noexcept {
    return true; // nothing to set up: the note ratio table is filled when the library loads
}

void ClapFactory::leave() noexcept {}

const void* ClapFactory::find(const char* factoryId) noexcept {
    return factoryId != nullptr && std::strcmp(factoryId, clap::kPluginFactoryId) == 0 ? &kFactory
                                                                                       : nullptr;
}

} // namespace quovent
