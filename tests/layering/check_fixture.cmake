# Runs the layering check on the fixture tree: it must fail and report exactly the expected
# violations, with paths relative to the tree.
#   cmake -DCHECKER=... -DWIDGETS_HEADERS=... -DROOT=... -DEXPECTED=... -P check_fixture.cmake
execute_process(COMMAND ${CHECKER} ${WIDGETS_HEADERS} ${ROOT}
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
string(REPLACE "${ROOT}/" "" output "${output}")
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 1 OR NOT output STREQUAL expected)
  message(NOTICE "exit status ${status} (expected 1)\n${errors}reported:\n${output}expected:\n${expected}")
  message(FATAL_ERROR "the layering check did not report the fixture faults as expected")
endif()
message(STATUS "reported the ${ROOT} faults as expected")
