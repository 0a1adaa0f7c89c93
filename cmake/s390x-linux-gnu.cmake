# Cross build for s390x (big-endian) Linux with Debian's s390x-linux-gnu toolchain; the tests run
# the programs under qemu-s390x (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(cross_triple s390x-linux-gnu)
set(qemu_cpu s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
