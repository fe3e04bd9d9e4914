# Runs harvestor-links on the sample page and compares its output; then checks the exit status
# for an unreadable file and for missing arguments.
# Arguments: -DTOOL=<harvestor-links> -DDIR=<this folder>
set(base http://h/a/b/index.htm)
file(READ ${DIR}/sample_page.expected expected)

execute_process(COMMAND ${TOOL} ${DIR}/sample_page.html ${base} setup Driver
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "with keywords: status ${rc}, output:\n${out}\nexpected:\n${expected}")
endif()

# Without keywords the same links, without the keyword line.
string(REGEX REPLACE "^keyword\n" "" withoutKeyword "${expected}")
execute_process(COMMAND ${TOOL} ${DIR}/sample_page.html ${base}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL withoutKeyword)
  message(FATAL_ERROR "without keywords: status ${rc}, output:\n${out}")
endif()

execute_process(COMMAND ${TOOL} ${DIR}/no-such-page.html ${base}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 2 OR NOT err MATCHES "cannot read .*no-such-page.html")
  message(FATAL_ERROR "unreadable file: status ${rc}, error: ${err}")
endif()

execute_process(COMMAND ${TOOL} ${DIR}/sample_page.html ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 2 OR NOT err MATCHES "usage: harvestor-links")
  message(FATAL_ERROR "missing argument: status ${rc}, error: ${err}")
endif()
