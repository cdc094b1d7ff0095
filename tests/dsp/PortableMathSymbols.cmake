# cmake -DNM=<nm> -DLIBRARY=<libquorvella_portable_math.a> -P PortableMathSymbols.cmake
#
# Fails when the library defines a global name outside quorvella_math_ (it would clash with
# the C library's exp or its internal tables when linked beside them) or refers to a name
# outside itself other than the sanitizers' runtime (the C library's function would be
# called instead of ours).
execute_process(COMMAND "${NM}" -g -P "${LIBRARY}" RESULT_VARIABLE result
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} ${LIBRARY} failed: ${errors}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(defined 0)
set(bad)
foreach(line IN LISTS lines)
  # nm -P: "name type value size"; member headers ("lib.a[x.o]:") and blank lines skipped.
  if(NOT line MATCHES "^([^ ]+) ([A-Za-z]) ")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(type "${CMAKE_MATCH_2}")
  if(type STREQUAL "U" OR type STREQUAL "w" OR type STREQUAL "v")
    # The linker's own table and the sanitizers' runtime are not the C library.
    if(NOT name MATCHES "^(quorvella_math_|__asan_|__ubsan_|__tsan_|__sanitizer_|_GLOBAL_OFFSET_TABLE_$)")
      list(APPEND bad "refers to ${name}")
    endif()
  else()
    math(EXPR defined "${defined} + 1")
    # AddressSanitizer adds an indicator beside each global it guards.
    if(NOT name MATCHES "^(__odr_asan\\.)?quorvella_math_")
      list(APPEND bad "defines ${name}")
    endif()
  endif()
endforeach()
if(defined EQUAL 0)
  message(FATAL_ERROR "No symbols listed in ${LIBRARY}")
endif()
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
message(STATUS "${defined} symbols, all quorvella_math_*, no outside references")
