# Writes FOLDER.zip in the current folder, holding the FILEs in the folder
# FOLDER, in the order given; the .exe files stripped.
#   cmake -DZIP=PATH -DSTRIP=PATH -DEPOCH=SECONDS -DFOLDER=NAME -P make_zip.cmake FILE...
# The bytes depend on nothing but the FILEs and EPOCH, not on who builds it,
# where or when: every entry is dated EPOCH and has fixed permissions, and
# the entries come in the given order instead of the folder's, without
# entries for the folder; Info-ZIP's zip -X leaves out the extra fields of
# Unix, which would hold the builder's numeric user and group; strip writes
# no date into the programs' headers (SOURCE_DATE_EPOCH=0), as the linker did
# not.
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
# Without its Unix extra fields an entry keeps only the DOS date, a local
# time: zip writes it from the file's modification time in UTC. ZIPOPT would
# add the caller's own options.
execute_process(COMMAND touch -d @${EPOCH} -- ${entries} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=ZIPOPT --unset=ZIP TZ=UTC LC_ALL=C
    ${ZIP} -q -X -D ${FOLDER}.zip -- ${entries}
  COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${FOLDER})
