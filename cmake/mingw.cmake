# Cross-compiles the module as a Windows DLL with mingw-w64, for x86_64 (the
# default) or i686:
#   cmake -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DORV_BUILD_HOST=OFF [-DORV_MINGW_ARCH=i686]
set(ORV_MINGW_ARCH x86_64 CACHE STRING "mingw-w64 target: x86_64 or i686")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORV_MINGW_ARCH})
set(CMAKE_C_COMPILER ${ORV_MINGW_ARCH}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${ORV_MINGW_ARCH}-w64-mingw32-g++)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The DLL carries its runtime: the host loads it on its own.
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
