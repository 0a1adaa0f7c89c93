# Cross build for 64-bit ARM Linux with Debian's aarch64-linux-gnu toolchain;
# the tests run the programs under qemu-user:
#   cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
#   cmake --build build-arm && (cd build-arm && ctest)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(cross_triple aarch64-linux-gnu)
set(qemu_cpu aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
