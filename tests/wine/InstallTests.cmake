# The installer and trkkit: units in one prefix, and install.exe run for real,
# each scenario in a prefix of its own.
add_subdirectory(installfixtures)

trk_add_test(wine_install_units
  SOURCES InstallTextTest.cpp RegistryTest.cpp InstallKitTest.cpp InstallHarness.cpp
  LIBS trk_install_lib
  ARGS "trkkit=Z:$<TARGET_FILE:trkkit>"
       "registers=Z:$<TARGET_FILE:fixture_registers>"
       "noentry=Z:$<TARGET_FILE:fixture_no_entry>"
       "fails=Z:$<TARGET_FILE:fixture_fails>"
  DEPENDS trkkit fixture_registers fixture_no_entry fixture_fails)

# The shipped files; stand-ins for the failures they cannot show.
set(trk_install_inputs
  "install=Z:$<TARGET_FILE:trk_install>"
  "trkkit=Z:$<TARGET_FILE:trkkit>"
  "trkmenu=Z:$<TARGET_FILE:trkmenu>"
  "trkconfig=Z:$<TARGET_FILE:trkconfig>"
  "fakekit=Z:$<TARGET_FILE:fixture_fakekit>"
  "noentry=Z:$<TARGET_FILE:fixture_no_entry>"
  "noprogid=Z:$<TARGET_FILE:fixture_no_progid>"
  "shellhost=Z:$<TARGET_FILE:shellhost>")

add_executable(wine_install InstallTest.cpp InstallHarness.cpp)
target_link_libraries(wine_install PRIVATE trk_install_lib GTest::gmock GTest::gtest_main)
add_dependencies(wine_install trk_install trkkit trkmenu trkconfig fixture_registers fixture_no_entry fixture_no_progid
  fixture_fakekit shellhost)

if(TRK_RUN_TESTS)
  foreach(scenario
      Installation.MovesTheFilesRegistersAndIsRemovedAgain
      Installation.OnlyTheBareWordRemoveInAnyCaseRemoves
      Installation.UsesTheTrkkitOfTheSystemDirectoryNeverOneBesideTheInstaller
      Installation.ReadOnlyFilesAreInstalledAndRemovedAgain
      Failures.TrkkitNowhere
      Failures.TrkmenuMissing
      Failures.TrkconfigMissing
      Failures.SecondRunFromTheSameFolder
      Failures.LibraryThatCannotBeLoaded
      Failures.LibraryWithoutDllRegisterServer
      Failures.EveryRegistrationCodeHasItsMessage
      Failures.UnknownClassIdentifierWritesNothing
      Failures.DestinationInUse
      Failures.SourceThatCannotBeDeleted
      Removal.AFileInUseStopsItBeforeTheRegistry
      Removal.TheApprovalGoesEvenAfterTheLibraryUnregisteredItself
      EndToEnd.TheShellFindsTheInstalledHandlerUntilItIsRemoved)
    add_test(NAME wine_install.${scenario} COMMAND wine_install --gtest_filter=${scenario} ${trk_install_inputs})
    set_tests_properties(wine_install.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
  endforeach()
endif()
