# Cross build for 64-bit little-endian POWER Linux with Debian's powerpc64le-linux-gnu toolchain; the tests run
# the programs under qemu-ppc64le (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(cross_triple powerpc64le-linux-gnu)
set(qemu_cpu ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
