# Settings shared by the MinGW-w64 tool-chain files; the including file sets
# ZONVERT_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ZONVERT_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ZONVERT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZONVERT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZONVERT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# A self-contained DLL: no dependency on the MinGW runtime DLLs.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
