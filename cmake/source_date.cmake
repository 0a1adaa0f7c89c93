# source_date_epoch(VAR): the date of this release in seconds since 1970, for
# files that must come out the same from every build of one commit:
# SOURCE_DATE_EPOCH when the environment has it (as under dpkg-buildpackage),
# else the date of the newest entry of debian/changelog, the same source that
# dpkg-buildpackage takes it from.
function(source_date_epoch var)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(${var} $ENV{SOURCE_DATE_EPOCH} PARENT_SCOPE)
    return()
  endif()
  set(changelog ${PROJECT_SOURCE_DIR}/debian/changelog)
  file(STRINGS ${changelog} trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
  execute_process(COMMAND date -u -d "${date}" +%s OUTPUT_VARIABLE epoch
    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "no date in the newest entry of ${changelog}")
  endif()
  set(${var} ${epoch} PARENT_SCOPE)
  # Rebuilt when the changelog gets a new entry.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
endfunction()
