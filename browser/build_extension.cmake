# Builds one browser's extension from the shared source: the unpacked folder
# (manifest.json = manifest.json of the source with the members of
# <FLAVOUR>.json added, and background.js) and its package (a zip file).
#
#   cmake -DSOURCE=<browser folder> -DFLAVOUR=chromium|firefox -DOUT=<folder>
#         -DPACKAGE=<file> -P build_extension.cmake
cmake_minimum_required(VERSION 3.25)

file(READ "${SOURCE}/manifest.json" manifest)
file(READ "${SOURCE}/${FLAVOUR}.json" extra)
string(JSON count LENGTH "${extra}")
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  string(JSON key MEMBER "${extra}" ${index})
  string(JSON type TYPE "${extra}" "${key}")
  string(JSON value GET "${extra}" "${key}")
  if(type STREQUAL "STRING")
    # GET gives a text without its quotes and escapes: write it as JSON again.
    string(REPLACE "\\" "\\\\" value "${value}")
    string(REPLACE "\"" "\\\"" value "${value}")
    set(value "\"${value}\"")
  endif()
  string(JSON manifest SET "${manifest}" "${key}" "${value}")
endforeach()

file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
file(WRITE "${OUT}/manifest.json" "${manifest}\n")
file(COPY "${SOURCE}/background.js" DESTINATION "${OUT}")
file(REMOVE "${PACKAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${PACKAGE}" --format=zip manifest.json background.js
                WORKING_DIRECTORY "${OUT}" RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
  message(FATAL_ERROR "packing ${PACKAGE} failed: ${packed}")
endif()
