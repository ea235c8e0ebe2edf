# trkconfig: its store against real profile files, and its dialogs driven
# from outside the real program (the windows need the Xvfb display).
trk_add_test(wine_setup_store SOURCES SetupStoreTest.cpp LIBS trkconfig_lib)
trk_add_test(wine_dialog_kit SOURCES DialogKitTest.cpp LIBS trk_common_win)
trk_add_test(wine_setup_dialogs SOURCES SetupDialogTest.cpp LIBS trk_common_win version DEPENDS trkconfig)
target_include_directories(wine_setup_dialogs PRIVATE ${PROJECT_SOURCE_DIR}/setup)
target_compile_definitions(wine_setup_dialogs PRIVATE "TRKCONFIG_EXE=L\"Z:$<TARGET_FILE:trkconfig>\"")
# End to end: the shell host, the registered trkmenu.dll and the real
# trkconfig.exe beside it.
trk_add_test(wine_setup_end_to_end SOURCES SetupEndToEndTest.cpp LIBS trk_common_win DEPENDS trkconfig trkmenu shellhost)
target_include_directories(wine_setup_end_to_end PRIVATE ${PROJECT_SOURCE_DIR}/setup)
target_compile_definitions(wine_setup_end_to_end PRIVATE
  "TRKCONFIG_EXE=L\"Z:$<TARGET_FILE:trkconfig>\""
  "TRKMENU_DLL=L\"Z:$<TARGET_FILE:trkmenu>\""
  "SHELLHOST_EXE=L\"Z:$<TARGET_FILE:shellhost>\"")
