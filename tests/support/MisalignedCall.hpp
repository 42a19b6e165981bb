// 32-bit Windows only: calls a cdecl function whose arguments are all 4-byte words with the
// stack pointer `offset` bytes (4, 8 or 12) past a 16-byte boundary at the call, as a host
// that keeps only the 4-byte alignment of the Windows ABI calls. The float form reads the
// x87 return register, which the call leaves alone.
#pragma once

#include <cstdint>

extern "C" std::uint32_t
quoventMisalignedCall(const void* function, const std::uint32_t* args, std::uint32_t count,
                      std::uint32_t offset) __asm__("quovent_misaligned_call");
extern "C" float
quoventMisalignedCallFloat(const void* function, const std::uint32_t* args, std::uint32_t count,
                           std::uint32_t offset) __asm__("quovent_misaligned_call");
