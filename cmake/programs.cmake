# The programs. A program NAME is the folder programs/NAME, which holds all
# that is its own:
#   CMakeLists.txt   its declaration (below) and its sources
#   NAME.cases       its case table (tests/run_cases gives the format)
#   batch-NAME.1     its manual page
#   example.in       an example input, which ./demo and the as-installed tests
#   example.out      run it on, and the output file it must write for it
# The declaration is one line of programs/NAME/CMakeLists.txt:
#   add_program(NAME INPUT OUTPUT [SHARES OTHER] SOURCE...)
# NAME reads the file INPUT and writes the file OUTPUT, both in the current
# folder. A program that reads and writes the same files as OTHER, for the
# same task, says SHARES OTHER: its manual page is OTHER's and its example is
# OTHER's, and its folder holds neither. That line is the one place the
# program is named: the build, its installation, the Windows ZIP, the tests,
# the benchmarks and the scripts (through tools/programs, which reads the
# same lines where no build exists) all take the programs from there, and
# check_programs makes sure that both read the same.

# The programs' names, in the order they were declared, and what
# tools/programs --folders prints of each.
define_property(GLOBAL PROPERTY programs BRIEF_DOCS "the programs' names"
  FULL_DOCS "Appended to by add_program, in the order of the declarations.")
define_property(GLOBAL PROPERTY program_lines BRIEF_DOCS "NAME INPUT OUTPUT FOLDER of each program"
  FULL_DOCS "Appended to by add_program; check_programs compares them with tools/programs.")
# A file added to or removed from a program's folder configures again, so that
# a part deleted after the configure stops the build too.
source_glob(program_parts programs/*/*)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/programs)

# add_program(NAME INPUT OUTPUT [SHARES OTHER] SOURCE...): a program linked
# with the runtime, whose rt::program_input and rt::program_output name its
# files; installed under its own name into the programs' folder and, outside
# Windows, with its manual page and, in the bin folder, as batch-NAME, a
# relative link to it (the programs never look at their name).
function(add_program name input output)
  set(folder ${PROJECT_SOURCE_DIR}/programs/${name})
  if(NOT CMAKE_CURRENT_LIST_FILE STREQUAL "${folder}/CMakeLists.txt")
    message(FATAL_ERROR "${CMAKE_CURRENT_LIST_FILE}: the program ${name} must be declared in "
      "programs/${name}/CMakeLists.txt, the folder of its own that tools/programs reads")
  endif()
  set(sources ${ARGN})
  set(shared ${name})
  if(ARGV3 STREQUAL "SHARES")
    set(shared ${ARGV4})
    list(REMOVE_AT sources 0 1)
  endif()

  set(missing)
  foreach(part ${name}/${name}.cases ${shared}/batch-${shared}.1 ${shared}/example.in
      ${shared}/example.out)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/programs/${part})
      list(APPEND missing programs/${part})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing)
    message(FATAL_ERROR "programs/${name} is not whole: there is no ${missing}. A program's "
      "folder holds its case table NAME.cases, its manual page batch-NAME.1, an example input "
      "example.in and the output expected of it, example.out; one that SHARES another's page "
      "and example has those two in the other's folder.")
  endif()
  set_property(GLOBAL APPEND PROPERTY programs ${name})
  set_property(GLOBAL APPEND PROPERTY program_lines "${name} ${input} ${output} programs/${shared}")

  set(files_source ${CMAKE_CURRENT_BINARY_DIR}/${name}_files.cpp)
  file(CONFIGURE OUTPUT ${files_source} @ONLY CONTENT [[
// The files of @name@, from its add_program.
#include "runtime/program.h"

const char rt::program_input[] = "@input@";
const char rt::program_output[] = "@output@";
]])
  add_executable(${name} ${sources} ${files_source})
  target_link_libraries(${name} PRIVATE runtime_main)
  install(TARGETS ${name} RUNTIME DESTINATION ${program_install_dir})
  if(WIN32)
    return()
  endif()
  set(page ${folder}/batch-${name}.1)
  if(NOT shared STREQUAL name)
    # A page that stands for the other's, as man reads it.
    set(page ${CMAKE_CURRENT_BINARY_DIR}/batch-${name}.1)
    file(CONFIGURE OUTPUT ${page} CONTENT ".so man1/batch-${shared}.1\n")
  endif()
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  file(RELATIVE_PATH target ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBEXECDIR}/${package_name}/${name})
  # install(FILES) installs a link as a link.
  set(link ${CMAKE_BINARY_DIR}/bin-links/batch-${name})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-links)
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# After the declarations: stops the configure unless tools/programs lists
# exactly the programs declared, as declared. Each is then on a line of its
# own that starts with add_program(NAME INPUT OUTPUT, in the order the folders
# were added, and none is in a comment, in an if() that does not run or on a
# line after another declaration. A program that shares another's parts
# shares them with a program of its own files that has them itself.
function(check_programs)
  get_property(declared GLOBAL PROPERTY program_lines)
  if(NOT declared)
    message(FATAL_ERROR "No program is declared: each is a folder programs/NAME whose "
      "CMakeLists.txt has a line add_program(NAME INPUT OUTPUT SOURCE...)")
  endif()
  execute_process(COMMAND sh ${PROJECT_SOURCE_DIR}/tools/programs --folders
    OUTPUT_VARIABLE listed ERROR_VARIABLE listed_error RESULT_VARIABLE status)
  string(REPLACE "\n" ";" listed "${listed}")
  list(REMOVE_ITEM listed "")
  if(NOT status EQUAL 0 OR NOT listed STREQUAL declared)
    list(JOIN declared "\n  " declared)
    list(JOIN listed "\n  " listed)
    message(FATAL_ERROR "The build and tools/programs read the programs differently.\n"
      "The build declared:\n  ${declared}\ntools/programs lists:\n  ${listed}\n${listed_error}"
      "Each program is declared once, in programs/NAME/CMakeLists.txt, on a line of its own that "
      "starts with add_program(NAME INPUT OUTPUT and a single blank between the words, outside "
      "any comment and any if().")
  endif()
  foreach(line IN LISTS declared)
    if(line MATCHES "^([^ ]+) ([^ ]+ [^ ]+) programs/([^ ]+)$" AND NOT CMAKE_MATCH_1 STREQUAL CMAKE_MATCH_3)
      set(other "${CMAKE_MATCH_3} ${CMAKE_MATCH_2} programs/${CMAKE_MATCH_3}")
      if(NOT other IN_LIST declared)
        message(FATAL_ERROR "programs/${CMAKE_MATCH_1} SHARES ${CMAKE_MATCH_3}, which must be a "
          "program of the same files (${CMAKE_MATCH_2}) with a page and an example of its own")
      endif()
    endif()
  endforeach()
endfunction()
