# 32-bit x86 code with its double arithmetic in SSE2 registers, as every
# 64-bit x86 build has it: GCC's default for 32-bit targets is the x87 unit,
# whose 80-bit intermediates round sums and comparisons differently (1e16 + 1
# - 1e16 gives 1, not 0). Every processor a host of this kind runs on has SSE2.
# Included by the 32-bit toolchain files.
set(CMAKE_C_FLAGS_INIT "${CMAKE_C_FLAGS_INIT} -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "${CMAKE_CXX_FLAGS_INIT} -msse2 -mfpmath=sse")
