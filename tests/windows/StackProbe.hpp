// A function that reports where its 16-byte-aligned local lands (32-bit Windows tests).
#pragma once

#include <cstdint>

extern "C" std::uintptr_t quoventAlignedLocalAddress();
