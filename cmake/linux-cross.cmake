# The common part of the Linux cross builds: the including toolchain file
# sets CMAKE_SYSTEM_PROCESSOR, cross_triple (the prefix of Debian's
# g++-TRIPLE) and qemu_cpu (qemu-CPU runs the programs of the tests).
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${cross_triple}-gcc)
set(CMAKE_CXX_COMPILER ${cross_triple}-g++)

# Libraries and headers of the target only; programs (cmake, the shell) of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${cross_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Linked statically: the programs then start under qemu-user with no sysroot
# prefix (QEMU_LD_PREFIX) to set in every place that runs one, and the same
# files run as they are on any Linux of that processor. The programs use only
# the C library, so nothing of the behaviour depends on the choice.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

if(NOT DEFINED cross_runs_natively)
  find_program(cross_emulator qemu-${qemu_cpu})
  if(cross_emulator)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${cross_emulator})
  endif()
endif()
