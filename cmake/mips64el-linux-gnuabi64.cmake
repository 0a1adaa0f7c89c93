# Cross build for 64-bit little-endian MIPS Linux with Debian's mips64el-linux-gnuabi64 toolchain; the tests run
# the programs under qemu-mips64el (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR mips64)
set(cross_triple mips64el-linux-gnuabi64)
set(qemu_cpu mips64el)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
