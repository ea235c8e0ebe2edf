# trkconfig: its store against real profile files, and its dialogs driven
# from outside the real program (the windows need the Xvfb display).
trk_add_test(wine_setup_store SOURCES SetupStoreTest.cpp LIBS trkconfig_lib)
trk_add_test(wine_setup_dialogs SOURCES SetupDialogTest.cpp LIBS trk_common_win version DEPENDS trkconfig)
target_include_directories(wine_setup_dialogs PRIVATE ${PROJECT_SOURCE_DIR}/setup)
target_compile_definitions(wine_setup_dialogs PRIVATE "TRKCONFIG_EXE=L\"Z:$<TARGET_FILE:trkconfig>\"")
