# 32-bit Windows (i686) with mingw-w64: cmake -S . -B build-win32 -G Ninja
#   -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake
#
# SSE2 arithmetic instead of the x87 unit, so that float and double results are rounded
# exactly as on x86_64 (the x87 unit keeps excess precision in registers). Hosts call with a
# stack that is only 4-byte aligned; -mstackrealign realigns it in every function that needs
# more, instead of trusting the 16 bytes GCC assumes otherwise.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUOVENT_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
