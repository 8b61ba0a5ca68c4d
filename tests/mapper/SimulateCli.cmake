# Runs the padwarden program as a user would: the demo script plays, a malformed script stops
# before any tick with FILE:LINE on standard error and status 2.

execute_process(COMMAND ${PADWARDEN} --simulate ${DEMO} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "demo failed with ${rc}: ${err}")
endif()
foreach(expected "1 down 32 57" "1 up 32 57" "pause 10" "down 17 29" "down 123 88" "beep 2000" "pause 120")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "demo output lacks '${expected}':\n${out}")
  endif()
endforeach()

set(bad ${CMAKE_CURRENT_BINARY_DIR}/bad.pws)
file(WRITE ${bad} "assign [isbutton1] 65\npress 1\ntick\npress 13\n")
execute_process(COMMAND ${PADWARDEN} --simulate ${bad} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT out STREQUAL "" OR NOT err MATCHES "bad.pws:4: button 13 does not exist")
  message(FATAL_ERROR "malformed script: status ${rc}, stdout '${out}', stderr '${err}'")
endif()

execute_process(COMMAND ${PADWARDEN} --simulate ${CMAKE_CURRENT_BINARY_DIR}/missing.pws RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "missing.pws")
  message(FATAL_ERROR "missing script: status ${rc}, stderr '${err}'")
endif()
