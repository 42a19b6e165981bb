# Shared part of the mingw-w64 cross toolchains. The including file sets QUOVENT_MINGW_TRIPLE
# and CMAKE_SYSTEM_PROCESSOR first.
#
# The -posix compilers are used because they have std::thread and std::mutex. The C and C++
# runtimes are linked in statically, so the DLL and the test programs import nothing but
# Windows system DLLs and run on a bare Windows (or Wine) without mingw's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUOVENT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUOVENT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUOVENT_MINGW_TRIPLE}-windres)

# Libraries and headers come from the cross sysroot only; programs (cmake, wine) from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUOVENT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine (tools/wine-run.sh sets up a scratch prefix).
get_filename_component(_quovent_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_quovent_root}/tools/wine-run.sh")
