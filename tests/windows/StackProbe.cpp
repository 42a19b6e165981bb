// Compiled without stack realignment (see CMakeLists.txt): like any code built on GCC's
// default assumption that calls arrive 16-byte aligned, it places its aligned locals by
// offset from the incoming stack pointer, so their addresses show how the call arrived.
#include "StackProbe.hpp"

namespace {
volatile std::uintptr_t lastAddress = 0;
} // namespace

extern "C" __attribute__((noinline)) std::uintptr_t quoventAlignedLocalAddress() {
    alignas(16) volatile unsigned char probe[16];
    probe[0] = 1;
    lastAddress = reinterpret_cast<std::uintptr_t>(&probe[0]);
    return lastAddress;
}
