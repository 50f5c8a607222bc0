cmake_minimum_required(VERSION 3.25)
# Writes OUTPUT, the gzipped manual page of PROGRAM: PAGE with its version
# line filled in from VERSION and the program's own --help text in place of
# the line ".\" usage", so that the manual says what --help says.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()
# Verbatim for roff: backslashes escaped, a leading dot or quote made text.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
file(READ ${PAGE} page)
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE ".\\\" usage\n" ".SH USAGE\n.nf\n${help}.fi\n" page "${page}")
get_filename_component(name ${PAGE} NAME)
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(WRITE ${folder}/${name} "${page}")
execute_process(COMMAND gzip -9n -c ${folder}/${name} OUTPUT_FILE ${OUTPUT})
