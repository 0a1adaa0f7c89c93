# source_glob(VARIABLE PATTERN): file(GLOB VARIABLE CONFIGURE_DEPENDS PATTERN)
# for a PATTERN under the current source folder. A relative pattern is globbed
# under that folder's full path, where [ ] * ? of a checkout's path (such as
# "a b+[c]") would read as a pattern and match nothing: they are escaped.
function(source_glob variable pattern)
  string(REPLACE "[" "[[]" folder "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REPLACE "*" "[*]" folder "${folder}")
  string(REPLACE "?" "[?]" folder "${folder}")
  file(GLOB files CONFIGURE_DEPENDS "${folder}/${pattern}")
  set(${variable} ${files} PARENT_SCOPE)
endfunction()
