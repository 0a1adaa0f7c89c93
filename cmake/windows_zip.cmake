# cpack -G ZIP, or the "package" target, in the 32-bit Windows build: a ZIP of
# the four programs and the README for Windows users, in one folder.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME batch-programs)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_SYSTEM_NAME win32)
set(CPACK_STRIP_FILES ON)
include(CPack)
