cmake_minimum_required(VERSION 3.18)
# Checks that the shared library exports every name the public header declares with ZAV_API
# and nothing else. Run with -DLIBRARY=<path> -DHEADER=<zav.h> -DTOOL=<nm, or objdump for a DLL>.
file(STRINGS ${HEADER} expected REGEX "^ZAV_API ")
# The declared name is the one before the first parenthesis or the end of the declaration.
list(TRANSFORM expected REPLACE "^[^(;]*[^a-z0-9_](zav_[a-z0-9_]+) *[(;].*$" "\\1")

if(LIBRARY MATCHES "\\.dll$")
  execute_process(COMMAND ${TOOL} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  # The table runs from its title to the first empty line.
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n[^\n]+(\n[^\n]+)*" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
  list(TRANSFORM entries REPLACE "\\[ *[0-9]+\\] " "")
else()
  execute_process(COMMAND ${TOOL} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" entries "${dump}")
  list(TRANSFORM entries REPLACE "^[0-9a-f]+ [A-Za-z] " "")
  list(TRANSFORM entries REPLACE "@.*" "")
endif()
if(NOT status EQUAL 0 OR NOT expected)
  message(FATAL_ERROR "could not read the symbols of ${LIBRARY} or the declarations of ${HEADER}")
endif()

set(undeclared ${entries})
list(REMOVE_ITEM undeclared ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${entries})
if(undeclared OR missing)
  message(FATAL_ERROR "exported but not declared in the header: ${undeclared}\nnot exported: ${missing}")
endif()
