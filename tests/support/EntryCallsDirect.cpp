// Plain calls: the ABI's own stack alignment.
#include "tests/support/EntryCalls.hpp"

namespace quovent::test {

vst::AEffect* EntryCalls::entry(vst::PluginEntryProc entry, vst::HostCallback callback) {
    return entry(callback);
}

std::intptr_t EntryCalls::dispatch(vst::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                   std::intptr_t value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void EntryCalls::process(vst::ProcessProc proc, vst::AEffect* effect, float** inputs,
                         float** outputs, std::int32_t frames) {
    proc(effect, inputs, outputs, frames);
}

void EntryCalls::setParameter(vst::AEffect* effect, std::int32_t index, float value) {
    effect->setParameter(effect, index, value);
}

float EntryCalls::getParameter(vst::AEffect* effect, std::int32_t index) {
    return effect->getParameter(effect, index);
}

bool EntryCalls::misaligned() {
    return false;
}

} // namespace quovent::test
