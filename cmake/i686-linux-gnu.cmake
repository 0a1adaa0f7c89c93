# Cross build for 32-bit x86 Linux with Debian's i686-linux-gnu toolchain:
# reals are the x87 unit's. The tests run the programs natively where the
# kernel runs 32-bit x86 code, else under qemu-i386 (docs/building.md, "Processors").
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(cross_triple i686-linux-gnu)
set(qemu_cpu i386)

# The target's own dynamic loader is a 32-bit x86 program that starts with no
# libraries: if it runs, so do the tests' programs. Not when binfmt_misc hands
# such code to qemu-i386 behind our back: the tests must then know they run
# under qemu, which raises no x87 exceptions.
execute_process(COMMAND /usr/${cross_triple}/lib/ld-linux.so.2 --version
  RESULT_VARIABLE loader_status OUTPUT_QUIET ERROR_QUIET)
set(binfmt_state disabled)
if(EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
  file(STRINGS /proc/sys/fs/binfmt_misc/qemu-i386 binfmt_state LIMIT_COUNT 1)
endif()
if(loader_status EQUAL 0 AND NOT binfmt_state STREQUAL enabled)
  set(cross_runs_natively ON)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

# GoogleTest of Debian's i386 architecture (libgtest-dev:i386), so that the
# unit tests, the software real's comparison with the x87 unit among them,
# run in this build too.
list(APPEND CMAKE_FIND_ROOT_PATH /)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
