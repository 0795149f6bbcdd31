# The API documentation, built without a warning (cmake -P, with JAVADOC,
# SOURCES, OUTPUT and TITLE set). The natives raise java.lang.Throwable itself
# without declaring it, so that callers need not catch it; their @throws tags
# name it all the same, which is the one finding that is let through.
file(REMOVE_RECURSE ${OUTPUT})
execute_process(
  COMMAND ${JAVADOC} --release 8 -Xdoclint:all -quiet -notimestamp -doctitle "${TITLE}" -windowtitle "${TITLE}"
    -d ${OUTPUT} -sourcepath ${SOURCES} com.nq.odbc
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
string(REGEX REPLACE "[^\n]*: error: exception not thrown: java.lang.Throwable\n[^\n]*\n[^\n]*\n" "" rest "${output}")
string(REGEX REPLACE "[0-9]+ errors?\n" "" rest "${rest}")
if(rest MATCHES "[^ \n]")
  message(FATAL_ERROR "javadoc:\n${rest}")
endif()
