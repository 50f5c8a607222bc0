cmake_minimum_required(VERSION 3.25)
# Writes OUTPUT, the version header of the programs, from VERSION (the
# project's) and the git revision of SOURCE when there is one; leaves the
# file alone when its text would not change.
find_program(git git)
set(revision "")
if(git)
  execute_process(COMMAND ${git} -C ${SOURCE} describe --always --dirty --abbrev=12
                  OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
# The four numbers of a Windows version resource: major, minor, patch, 0.
string(REPLACE "." "," numbers "${VERSION}")
set(text "#pragma once\n// Written by the build (src/cli/build_version.cmake).\n#define QLO_VERSION \"${VERSION}\"\n#define QLO_VERSION_NUMBERS ${numbers},0\n#define QLO_SOURCE_REVISION \"${revision}\"\n")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
