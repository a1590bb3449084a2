# Cross-compiling for 32-bit Windows with the Debian mingw-w64 toolchain. The posix thread
# model: GoogleTest needs std::mutex, which the win32 model of GCC 12 lacks; winpthreads is
# linked in statically like the rest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QUARVEL_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARVEL_MINGW_PREFIX}-windres)

# Look for libraries and headers in the cross sysroot only, never in the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${QUARVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe: no libgcc, libstdc++ or winpthread DLLs to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, always bounded in time.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
