# Writes FOLDER.zip in the current folder, holding the FILEs in the folder
# FOLDER, in the order given; the .exe files stripped.
#   cmake -DSTRIP=PATH -DEPOCH=SECONDS -DFOLDER=NAME -P make_zip.cmake FILE...
# The bytes depend on nothing but the FILEs and EPOCH: every entry is dated
# EPOCH (in UTC: a ZIP's DOS dates are local times), has fixed permissions,
# and comes in the given order instead of the folder's; strip writes no date
# into the programs' headers (SOURCE_DATE_EPOCH=0), as the linker did not.
cmake_minimum_required(VERSION 3.20)

# The FILEs: the arguments after the script's name.
set(files)
math(EXPR last_argument "${CMAKE_ARGC} - 1")
foreach(index RANGE 1 ${last_argument})
  if(DEFINED first_file AND index GREATER_EQUAL first_file)
    list(APPEND files "${CMAKE_ARGV${index}}")
  elseif(CMAKE_ARGV${index} STREQUAL "-P")
    math(EXPR first_file "${index} + 2")
  endif()
endforeach()

# cmake -E tar dates every entry SOURCE_DATE_EPOCH (all three times of
# its UT field).
set(ENV{TZ} UTC)
set(ENV{SOURCE_DATE_EPOCH} ${EPOCH})

file(REMOVE_RECURSE ${FOLDER} ${FOLDER}.zip)
file(MAKE_DIRECTORY ${FOLDER})
set(entries)
foreach(file IN LISTS files)
  get_filename_component(name ${file} NAME)
  if(name MATCHES "[.]exe$")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${STRIP} -o ${FOLDER}/${name} ${file}
      COMMAND_ERROR_IS_FATAL ANY)
    file(CHMOD ${FOLDER}/${name} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
      GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    file(COPY_FILE ${file} ${FOLDER}/${name})
    file(CHMOD ${FOLDER}/${name} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
  list(APPEND entries ${FOLDER}/${name})
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${FOLDER}.zip --format=zip -- ${entries}
  COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${FOLDER})
