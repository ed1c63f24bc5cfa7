# Registers a GoogleTest executable with CTest.
#
# Natively every test case becomes a CTest test of its own. In a cross build
# the executable runs under an emulator (Wine), whose start costs more than
# most tests take: there the executable runs in a few shards instead, each
# one process holding a share of the cases (GoogleTest's own sharding), so
# the run stays short and CTest still prints its summary and fails on any
# failed case. EXCLUDE is a GoogleTest negative filter of the cases that
# cannot run on the target; every caller states why next to it.
function(pw_add_gtests target)
  cmake_parse_arguments(PW "" "SHARDS;EXCLUDE" "PROPERTIES" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 ${PW_UNPARSED_ARGUMENTS}
      PROPERTIES ${PW_PROPERTIES})
    return()
  endif()
  if(NOT PW_SHARDS)
    set(PW_SHARDS 2)
  endif()
  set(_filter)
  if(PW_EXCLUDE)
    set(_filter "--gtest_filter=-${PW_EXCLUDE}")
  endif()
  math(EXPR _last "${PW_SHARDS} - 1")
  foreach(_i RANGE ${_last})
    math(EXPR _n "${_i} + 1")
    set(_name "${target}[${_n}/${PW_SHARDS}]")
    add_test(NAME ${_name} COMMAND ${target} --gtest_brief=1 ${_filter})
    set_tests_properties(${_name} PROPERTIES
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${PW_SHARDS};GTEST_SHARD_INDEX=${_i}"
      TIMEOUT 600 ${PW_PROPERTIES})
  endforeach()
endfunction()
