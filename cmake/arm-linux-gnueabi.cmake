# Cross build for 32-bit ARM (soft float, armel) Linux with Debian's arm-linux-gnueabi toolchain; the tests run
# the programs under qemu-arm (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR armv5tel)
set(cross_triple arm-linux-gnueabi)
set(qemu_cpu arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
