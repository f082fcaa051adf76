# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler, the posix
# thread model (std::thread and std::mutex on winpthreads).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/build --windows does this and builds SQLite for the target first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEL_MINGW_PREFIX}-windres)
set(CMAKE_AR ${ZEL_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZEL_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the target's sysroot only; programs (tclsh,
# the build's own tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ZEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine (scripts/wine-run: headless, its own
# prefix): CTest starts the Windows tests through it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
