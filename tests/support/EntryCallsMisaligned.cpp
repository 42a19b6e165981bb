// Calls through a stack that is deliberately not 16-byte aligned (32-bit Windows).
#include "tests/support/EntryCalls.hpp"

#include "tests/support/MisalignedCall.hpp"

#include <atomic>
#include <bit>
#include <type_traits>

static_assert(sizeof(void*) == 4, "the misaligned calls are for 32-bit code");

// Arguments are copied below a 16-byte boundary plus the offset, so the callee starts with
// its stack pointer that far from where GCC expects it.
asm(R"(
    .text
    .globl quovent_misaligned_call
quovent_misaligned_call:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal 0(,%ecx,4), %edx
    movl %esp, %eax
    subl %edx, %eax
    subl $32, %eax
    andl $-16, %eax
    addl 20(%ebp), %eax
    movl %eax, %esp
    movl %esp, %edi
    cld
    rep movsl
    movl 8(%ebp), %eax
    call *%eax
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

namespace quovent::test {

namespace {

// Each call takes the next of the three misalignments.
std::uint32_t nextOffset() {
    static std::atomic<std::uint32_t> calls{0};
    return 4 * (1 + calls.fetch_add(1) % 3);
}

template <typename T> std::uint32_t word(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<std::uintptr_t>(value);
    } else if constexpr (std::is_same_v<T, float>) {
        return std::bit_cast<std::uint32_t>(value);
    } else {
        return static_cast<std::uint32_t>(value);
    }
}

template <typename Function, typename... Args> std::uint32_t call(Function f, Args... args) {
    const std::uint32_t words[] = {word(args)..., 0};
    return quoventMisalignedCall(reinterpret_cast<const void*>(f), words, sizeof...(Args),
                                 nextOffset());
}

} // namespace

vst::AEffect* EntryCalls::entry(vst::PluginEntryProc entry, vst::HostCallback callback) {
    return reinterpret_cast<vst::AEffect*>(call(entry, callback));
}

std::intptr_t EntryCalls::dispatch(vst::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                   std::intptr_t value, void* ptr, float opt) {
    return static_cast<std::int32_t>(
        call(effect->dispatcher, effect, opcode, index, value, ptr, opt));
}

void EntryCalls::process(vst::ProcessProc proc, vst::AEffect* effect, float** inputs,
                         float** outputs, std::int32_t frames) {
    call(proc, effect, inputs, outputs, frames);
}

void EntryCalls::setParameter(vst::AEffect* effect, std::int32_t index, float value) {
    call(effect->setParameter, effect, index, value);
}

float EntryCalls::getParameter(vst::AEffect* effect, std::int32_t index) {
    const std::uint32_t words[] = {word(effect), word(index)};
    return quoventMisalignedCallFloat(reinterpret_cast<const void*>(effect->getParameter), words, 2,
                                      nextOffset());
}

bool EntryCalls::misaligned() {
    return true;
}

} // namespace quovent::test
