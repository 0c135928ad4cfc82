# Cross-build of zonvert.dll for 32-bit Windows with the MinGW-w64 tool chain:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DZONVERT_BUILD_TESTS=OFF
set(ZONVERT_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Floating point in SSE2 registers, as on x86-64: the x87 unit would keep
# intermediate results in 80 bits and change the last bits of results.
# -mstackrealign: callers built by other compilers may enter with a stack
# aligned to 4 bytes only.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
