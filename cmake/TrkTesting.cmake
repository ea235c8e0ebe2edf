# Test helpers.
#
# trk_add_test(NAME SOURCES ... [LIBS ...] [ARGS ...])
#   A GoogleTest executable. Natively it runs under the sanitizers; in a
#   Windows build it runs under Wine in a private copy of the build's prefix.
#
# trk_winpath(VAR PATH): the path as a Windows program under Wine sees it.

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
