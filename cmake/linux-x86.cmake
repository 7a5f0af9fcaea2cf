# Builds for 32-bit x86 Linux with the native compiler and -m32, so that the
# module and its tests run here with 32-bit pointers and structure layouts.
# The preset linux-x86 uses it; the i386 libraries come from
# scripts/install-deps x86.
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
# Libraries and their CMake packages from /usr/lib/i386-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(FIND_LIBRARY_USE_LIB64_PATHS OFF)
include(${CMAKE_CURRENT_LIST_DIR}/sse2.cmake)
