# Cross build for 32-bit little-endian MIPS Linux with Debian's mipsel-linux-gnu toolchain; the tests run
# the programs under qemu-mipsel (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR mips)
set(cross_triple mipsel-linux-gnu)
set(qemu_cpu mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
