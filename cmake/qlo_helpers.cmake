# Build helpers shared by every subsystem's CMakeLists.txt.

# The suffix of the operating-system specific source files of this target:
# desktop.h is implemented by desktop_win.cpp or desktop_linux.cpp.
if(WIN32)
  set(QLO_OS win)
else()
  set(QLO_OS linux)
endif()

# qlo_os_sources(<var> <stem>...): appends <stem>_<os>.cpp for every stem to <var>.
function(qlo_os_sources var)
  set(list ${${var}})
  foreach(stem IN LISTS ARGN)
    list(APPEND list ${stem}_${QLO_OS}.cpp)
  endforeach()
  set(${var} ${list} PARENT_SCOPE)
endfunction()

# qlo_add_test_suite(<name> SOURCES <files>... LIBS <libraries>... [LABELS <labels>...]
#                    [WORKING_DIRECTORY <folder>] [PROPERTIES <ctest properties>...])
# One GoogleTest executable whose test cases become separate ctest tests. Cross
# compiled, they run through the emulator (Wine) of the toolchain file.
# The folder the tests run in is an argument of its own: gtest_discover_tests
# takes WORKING_DIRECTORY as its own keyword, so inside PROPERTIES it would end
# the list and silently drop every property after it (a RESOURCE_LOCK, say).
function(qlo_add_test_suite name)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qlo_add_test_suite(${name}): unexpected ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(keyword TEST_PREFIX TEST_SUFFIX TEST_LIST EXTRA_ARGS DISCOVERY_TIMEOUT DISCOVERY_MODE)
    if(keyword IN_LIST ARG_PROPERTIES)
      message(FATAL_ERROR "qlo_add_test_suite(${name}): ${keyword} inside PROPERTIES would cut the list short")
    endif()
  endforeach()
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qlo_test_support GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY}
    PROPERTIES ${ARG_PROPERTIES})
endfunction()

# qlo_embed_files(<output.cpp> <files>...): generates <output.cpp> holding the
# bytes of the files (see cmake/embed_files.cmake); remade when one changes.
function(qlo_embed_files output)
  string(REPLACE ";" "|" files "${ARGN}")
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DFILES=${files} -P ${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake
    DEPENDS ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake
    VERBATIM)
endfunction()
