# Cross-compiles for Windows with mingw-w64, for x86_64 (the default) or i686.
# The presets windows-x64 and windows-x86 use it; by hand:
#   cmake -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake [-DORV_MINGW_ARCH=i686]
set(ORV_MINGW_ARCH x86_64 CACHE STRING "mingw-w64 target: x86_64 or i686")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORV_MINGW_ARCH})
# The posix thread model: the host core's std::mutex needs it with GCC 12.
set(CMAKE_C_COMPILER ${ORV_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORV_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${ORV_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORV_MINGW_ARCH}-w64-mingw32)
# A 32-bit build computes in SSE2 doubles as the 64-bit one does, not in the
# x87 unit's 80-bit registers, so that every sum and comparison rounds alike.
if(ORV_MINGW_ARCH STREQUAL "i686")
  include(${CMAKE_CURRENT_LIST_DIR}/sse2.cmake)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The DLL and the programs carry their runtime (libgcc, libstdc++,
# winpthread): they need nothing beyond the system's own DLLs.
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
