# Test helpers.
#
# trk_add_test(NAME SOURCES ... [LIBS ...] [ARGS ...])
#   A GoogleTest executable, one CTest entry that runs all of its tests.
#   Natively it runs under the sanitizers; in a Windows build it runs under
#   Wine in a private copy of the build's prefix.
#
# trk_add_test_cases(NAME [TIMEOUT SECONDS] [ARGS ...])
#   Every test of the existing test program NAME as a CTest entry of its own,
#   NAME.Suite.Case, so that each gets a fresh prefix and "ctest -j" spreads
#   them. The program lists its own tests when CTest starts (again after each
#   rebuild): a new TEST runs without being named anywhere. When the listing
#   fails, an entry NAME.listing fails in its place.
#
# trk_winpath(VAR PATH): the path as a Windows program under Wine sees it.

# CTest includes this file again, in script mode, to register the cases of
# one program; see trk_add_test_cases.
function(trk_register_cases)
  set(list_file ${TRK_CASES_LIST})
  if(NOT EXISTS "${list_file}" OR NOT "${list_file}" IS_NEWER_THAN "${TRK_CASES_EXE}")
    file(REMOVE "${list_file}")
    execute_process(
      COMMAND ${TRK_CASES_EMULATOR} "${TRK_CASES_EXE}" --gtest_list_tests
      OUTPUT_VARIABLE output RESULT_VARIABLE result TIMEOUT 300)
    if(result EQUAL 0)
      # Programs under Wine end their lines in CR LF.
      string(REPLACE "\r" "" output "${output}")
      string(REPLACE "\n" ";" lines "${output}")
      set(cases "")
      set(suite "")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE " +#.*" "" line "${line}")
        if(line MATCHES "^([A-Za-z0-9_/]+)\\.$")
          set(suite ${CMAKE_MATCH_1})
        elseif(suite AND line MATCHES "^  ([A-Za-z0-9_/]+)$")
          string(APPEND cases "${suite}.${CMAKE_MATCH_1}\n")
        endif()
      endforeach()
      if(cases)
        file(WRITE "${list_file}" "${cases}")
      endif()
    endif()
  endif()
  if(NOT EXISTS "${list_file}")
    add_test(${TRK_CASES_OF}.listing "${TRK_CASES_CMAKE}" -E echo "${TRK_CASES_EXE} listed no tests")
    set_tests_properties(${TRK_CASES_OF}.listing PROPERTIES WILL_FAIL TRUE)
    return()
  endif()
  file(STRINGS "${list_file}" cases)
  foreach(case IN LISTS cases)
    add_test(${TRK_CASES_OF}.${case} ${TRK_CASES_EMULATOR} "${TRK_CASES_EXE}" --gtest_filter=${case} ${TRK_CASES_ARGS})
    set_tests_properties(${TRK_CASES_OF}.${case} PROPERTIES FIXTURES_REQUIRED "${TRK_CASES_FIXTURE}"
      TIMEOUT ${TRK_CASES_TIMEOUT})
  endforeach()
endfunction()

if(DEFINED TRK_CASES_OF)
  trk_register_cases()
  return()
endif()

if(TRK_WINDOWS AND TRK_RUN_TESTS)
  add_test(NAME wine-prefix COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix ${TRK_WINE_DIR}/template)
  set_tests_properties(wine-prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
endif()

function(trk_winpath var path)
  string(REPLACE "/" "\\" p "${path}")
  set(${var} "Z:${p}" PARENT_SCOPE)
endfunction()

function(trk_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(TRK_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
    if(TRK_WINDOWS)
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
    endif()
  endif()
endfunction()

function(trk_add_test_cases name)
  cmake_parse_arguments(T "" "TIMEOUT" "ARGS" ${ARGN})
  if(NOT TRK_RUN_TESTS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(fixture "")
  if(TRK_WINDOWS)
    set(fixture wine)
  endif()
  set(quoted "")
  foreach(arg IN LISTS T_ARGS)
    string(APPEND quoted " [==[${arg}]==]")
  endforeach()
  set(emulator "")
  foreach(arg IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
    string(APPEND emulator " [==[${arg}]==]")
  endforeach()
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_cases_include.cmake)
  file(GENERATE OUTPUT ${include_file} CONTENT
"set(TRK_CASES_OF [==[${name}]==])
set(TRK_CASES_EXE [==[$<TARGET_FILE:${name}>]==])
set(TRK_CASES_LIST [==[${CMAKE_CURRENT_BINARY_DIR}/${name}_cases.txt]==])
set(TRK_CASES_EMULATOR${emulator})
set(TRK_CASES_ARGS${quoted})
set(TRK_CASES_TIMEOUT ${T_TIMEOUT})
set(TRK_CASES_FIXTURE [==[${fixture}]==])
set(TRK_CASES_CMAKE [==[${CMAKE_COMMAND}]==])
include([==[${CMAKE_SOURCE_DIR}/cmake/TrkTesting.cmake]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
