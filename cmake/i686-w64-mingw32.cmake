# Cross build for 32-bit Windows (console programs, cube.exe and the others)
# with Debian's mingw-w64; the tests run the programs under Wine:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake
#   cmake --build build-win && (cd build-win && ctest)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

# The win32 thread model: the runtime has one thread, and this compiler needs
# no winpthread library.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Console programs linked statically, so they import only Windows' own DLLs;
# the image at 0x00400000 without relocations, so a report's code address is
# the instruction's true address; the stack reservation and commit in the
# header (64 MiB less 1,025 bytes; 1 MiB); no build time in the header, so
# that two builds of one commit give the same bytes.
string(JOIN " " CMAKE_EXE_LINKER_FLAGS_INIT -mconsole -static
  -Wl,--image-base,0x400000 -Wl,--disable-dynamicbase -Wl,--disable-reloc-section
  -Wl,--no-insert-timestamp
  -Xlinker --stack -Xlinker 67107839,1048576)

# Wine runs the programs of the tests, in a prefix of the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine_run)
