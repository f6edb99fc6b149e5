# Compiles a file that holds one #include line with a room's include path, and
# checks the outcome: that the header is found and compiles, or that it is not
# found at all (a failure for any other reason does not count). Run as a script:
#
#   cmake -DCOMPILER=<c++> -DINCLUDES=<dir|dir|...> -DHEADER=<name.h>
#         -DEXPECT=<found|missing> -DWORK=<folder> -P include_probe.cmake
foreach(_name COMPILER INCLUDES HEADER EXPECT WORK)
  if(NOT DEFINED ${_name})
    message(FATAL_ERROR "include_probe.cmake needs -D${_name}=...")
  endif()
endforeach()

string(MAKE_C_IDENTIFIER "${HEADER}" _stem)
set(_source "${WORK}/${_stem}.cpp")
file(WRITE "${_source}" "#include \"${HEADER}\"\n")
string(REPLACE "|" ";" _dirs "${INCLUDES}")
set(_flags -std=c++20 -fsyntax-only)
foreach(_dir IN LISTS _dirs)
  list(APPEND _flags "-I${_dir}")
endforeach()
execute_process(COMMAND "${COMPILER}" ${_flags} "${_source}"
                RESULT_VARIABLE _status ERROR_VARIABLE _errors OUTPUT_QUIET)

string(REGEX MATCH "${HEADER}[^\n]*(No such file|file not found)" _missing "${_errors}")
if(EXPECT STREQUAL "found" AND NOT _status EQUAL 0)
  message(FATAL_ERROR "${HEADER} should compile on this include path:\n${_errors}")
elseif(EXPECT STREQUAL "missing" AND _status EQUAL 0)
  message(FATAL_ERROR "${HEADER} is on this include path; it must not be")
elseif(EXPECT STREQUAL "missing" AND NOT _missing)
  message(FATAL_ERROR "${HEADER} failed to compile, but not for want of the file:\n${_errors}")
endif()
