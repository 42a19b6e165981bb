#include "formats/vst3/Vst3Module.hpp"

#include "formats/vst3/Vst3Factory.hpp"

#include <atomic>

namespace quovent {

namespace {
std::atomic<int> entryCount{0};
} // namespace

vst3::IPluginFactory* Vst3Module::factory() noexcept {
    Vst3Factory& factory = Vst3Factory::instance();
    factory.addRef();
    return &factory;
}

bool Vst3Module::enter() noexcept {
    entryCount.fetch_add(1);
    return true;
}

bool Vst3Module::exit() noexcept {
    int count = entryCount.load();
    while (count > 0 && !entryCount.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0;
}

int Vst3Module::entries() noexcept {
    return entryCount.load();
}

} // namespace quovent
