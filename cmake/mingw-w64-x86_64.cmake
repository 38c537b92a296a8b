# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (packages mingw-w64,
# g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev):
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The POSIX thread model of the compiler provides std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OVR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OVR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OVR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${OVR_MINGW_TRIPLET}-windres)

# Headers and libraries of the target (zlib among them) come from the mingw-w64 tree only, and
# from the static libraries of scripts/build-windows-deps.sh when OVR_WINDOWS_DEPS names them;
# programs run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${OVR_MINGW_TRIPLET} ${OVR_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# zlib's static archive rather than its import library: zlib is linked into ovrloader.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# Windows 7 is the oldest system with processor groups; 64-bit file offsets for fseeko/ftello.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_FILE_OFFSET_BITS=64")
# Self-contained binaries: the compiler's runtime (libgcc, libstdc++, winpthreads) is linked in,
# so ovrloader.dll and the test programs need no DLL beside the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)

# ctest runs the Windows programs under Wine (scripts/test-windows.sh prepares the prefix).
find_program(OVR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(OVR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OVR_WINE})
endif()
