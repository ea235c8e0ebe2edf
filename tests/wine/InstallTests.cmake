# The installer and trkkit: units in one prefix, and install.exe run for real,
# each scenario in a prefix of its own.
add_subdirectory(installfixtures)

trk_add_test(wine_install_units
  SOURCES InstallTextTest.cpp RegistryTest.cpp InstallKitTest.cpp InstallHarness.cpp
  LIBS trk_install_lib
  ARGS "trkkit=Z:$<TARGET_FILE:trkkit>"
       "trkmenu=Z:$<TARGET_FILE:trkmenu>"
       "registers=Z:$<TARGET_FILE:fixture_registers>"
       "noentry=Z:$<TARGET_FILE:fixture_no_entry>"
       "fails=Z:$<TARGET_FILE:fixture_fails>"
  DEPENDS trkkit trkmenu fixture_registers fixture_no_entry fixture_fails)

# The shipped files; stand-ins for the failures they cannot show.
add_executable(wine_install InstallTest.cpp InstallHarness.cpp)
target_link_libraries(wine_install PRIVATE trk_install_lib GTest::gmock GTest::gtest_main)
add_dependencies(wine_install trk_install trkkit trkmenu trkconfig fixture_registers fixture_no_entry fixture_no_progid
  fixture_fakekit shellhost)
trk_add_test_cases(wine_install
  ARGS "install=Z:$<TARGET_FILE:trk_install>"
       "trkkit=Z:$<TARGET_FILE:trkkit>"
       "trkmenu=Z:$<TARGET_FILE:trkmenu>"
       "trkconfig=Z:$<TARGET_FILE:trkconfig>"
       "fakekit=Z:$<TARGET_FILE:fixture_fakekit>"
       "noentry=Z:$<TARGET_FILE:fixture_no_entry>"
       "noprogid=Z:$<TARGET_FILE:fixture_no_progid>"
       "shellhost=Z:$<TARGET_FILE:shellhost>")
