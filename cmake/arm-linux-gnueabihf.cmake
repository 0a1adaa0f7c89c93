# Cross build for 32-bit ARM (hard float, armhf) Linux with Debian's arm-linux-gnueabihf toolchain; the tests run
# the programs under qemu-arm (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(cross_triple arm-linux-gnueabihf)
set(qemu_cpu arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
