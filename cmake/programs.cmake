# The programs. Each folder of programs/ declares its own in its
# CMakeLists.txt, one line each:
#   add_program(NAME INPUT OUTPUT SOURCE...)
# NAME reads the file INPUT and writes the file OUTPUT, both in the current
# folder. That line is the one place the program is named: the build, its
# installation and manual page, the Windows ZIP, the tests, the benchmarks
# and the scripts (through tools/programs, which reads the same lines where
# no build exists) all take the programs from there.

# The programs' names, in the order they were declared.
define_property(GLOBAL PROPERTY programs BRIEF_DOCS "the programs' names"
  FULL_DOCS "Appended to by add_program, in the order of the declarations.")

# add_program(NAME INPUT OUTPUT SOURCE...): a program linked with the runtime,
# whose rt::program_input and rt::program_output name its files; installed
# under its own name into the programs' folder and, outside Windows, with its
# manual page man/batch-NAME.1 and, in the bin folder, as batch-NAME, a
# relative link to it (the programs never look at their name).
function(add_program name input output)
  # tools/programs reads the declarations as lines that start like this one.
  file(STRINGS ${CMAKE_CURRENT_LIST_FILE} declaration
    REGEX "^add_program\\(${name} ${input} ${output}[ )]")
  if(NOT declaration)
    message(FATAL_ERROR "${CMAKE_CURRENT_LIST_FILE}: the program ${name} must be declared on "
      "one line that starts with add_program(${name} ${input} ${output}, as tools/programs reads it")
  endif()
  set_property(GLOBAL APPEND PROPERTY programs ${name})

  set(files_source ${CMAKE_CURRENT_BINARY_DIR}/${name}_files.cpp)
  file(CONFIGURE OUTPUT ${files_source} @ONLY CONTENT [[
// The files of @name@, from its add_program.
#include "runtime/program.h"

const char rt::program_input[] = "@input@";
const char rt::program_output[] = "@output@";
]])
  add_executable(${name} ${ARGN} ${files_source})
  target_link_libraries(${name} PRIVATE runtime_main)
  install(TARGETS ${name} RUNTIME DESTINATION ${program_install_dir})
  if(WIN32)
    return()
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/man/batch-${name}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  file(RELATIVE_PATH target ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBEXECDIR}/${package_name}/${name})
  # install(FILES) installs a link as a link.
  set(link ${CMAKE_BINARY_DIR}/bin-links/batch-${name})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-links)
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
