# Fails when a text of the user interface has no Japanese translation: updates a copy of the
# translation source from the sources and looks for unfinished entries.
file(MAKE_DIRECTORY ${WORK})
configure_file(${TS} ${WORK}/kivo_ja.ts COPYONLY)
execute_process(COMMAND ${LUPDATE} -no-obsolete -locations none -I ${SRC} ${SRC}/app -ts ${WORK}/kivo_ja.ts
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed: ${out} ${err}")
endif()
file(READ ${WORK}/kivo_ja.ts ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"unfinished\">" missing "${ts}")
list(LENGTH missing count)
if(count GREATER 0)
  message(FATAL_ERROR "${count} texts without a Japanese translation:\n${missing}")
endif()
message(STATUS "every text has its Japanese translation")
