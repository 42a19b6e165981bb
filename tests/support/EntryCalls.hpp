// How the test host calls into the plug-in: the entry, the dispatcher, the process entries
// and the parameter entries. On 32-bit Windows every call arrives with the stack pointer
// off the 16-byte boundary GCC assumes (old hosts guarantee only 4 bytes), cycling through
// the three possible offsets, so that code which relies on more alignment than the host
// gives crashes in the tests rather than in a user's host. Elsewhere the calls are plain.
#pragma once

#include "formats/vst2/VstAbi.hpp"

#include <cstdint>

namespace quovent::test {

class EntryCalls {
public:
    static vst::AEffect* entry(vst::PluginEntryProc entry, vst::HostCallback callback);
    static std::intptr_t dispatch(vst::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                  std::intptr_t value, void* ptr, float opt);
    static void process(vst::ProcessProc proc, vst::AEffect* effect, float** inputs,
                        float** outputs, std::int32_t frames);
    static void setParameter(vst::AEffect* effect, std::int32_t index, float value);
    static float getParameter(vst::AEffect* effect, std::int32_t index);

    // True when the calls go in through a misaligned stack.
    static bool misaligned();
};

} // namespace quovent::test
