# Cross build for 64-bit RISC-V Linux with Debian's riscv64-linux-gnu toolchain; the tests run
# the programs under qemu-riscv64 (docs/building.md, "Processors").
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(cross_triple riscv64-linux-gnu)
set(qemu_cpu riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
