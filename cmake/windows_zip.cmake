# The download for Windows users: cmake --build build-win --target zip writes
# build-win/batch-programs-VERSION-win32.zip, one folder of that name holding
# the programs, stripped, README.txt and LICENSE.txt (CRLF line ends, for
# Notepad and cmd's type). cmake --install puts the same files into a folder.
# Two builds of one commit give the same bytes (cmake/make_zip.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/source_date.cmake)
source_date_epoch(zip_epoch)

set(zip_folder ${package_name}-${PROJECT_VERSION}-win32)
set(zip_documents ${CMAKE_BINARY_DIR}/zip-documents)
configure_file(windows/README.txt ${zip_documents}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE ${zip_documents}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${zip_documents}/README.txt ${zip_documents}/LICENSE.txt DESTINATION .)

get_property(zip_programs GLOBAL PROPERTY programs)
list(TRANSFORM zip_programs PREPEND "$<TARGET_FILE:" OUTPUT_VARIABLE zip_program_files)
list(TRANSFORM zip_program_files APPEND ">")
set(zip_script ${CMAKE_CURRENT_LIST_DIR}/make_zip.cmake)
# Info-ZIP's zip writes it: cmake -E tar would record the builder's user and
# group in every entry.
find_program(ZIP_PROGRAM zip)
if(NOT ZIP_PROGRAM)
  message(FATAL_ERROR "The Windows ZIP needs Info-ZIP's zip, which was not found "
    "(on Debian: apt-get install zip; or -DZIP_PROGRAM=PATH)")
endif()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${zip_folder}.zip
  COMMAND ${CMAKE_COMMAND} -DZIP=${ZIP_PROGRAM} -DSTRIP=${CMAKE_STRIP} -DEPOCH=${zip_epoch} -DFOLDER=${zip_folder}
    -P ${zip_script} ${zip_program_files} ${zip_documents}/README.txt ${zip_documents}/LICENSE.txt
  DEPENDS ${zip_programs} ${zip_script} ${zip_documents}/README.txt ${zip_documents}/LICENSE.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Writing ${zip_folder}.zip"
  VERBATIM)
add_custom_target(zip DEPENDS ${CMAKE_BINARY_DIR}/${zip_folder}.zip)
