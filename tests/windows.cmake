# The tests of the Windows build, cross-compiled with MinGW and run under Wine
# (CTest label "windows"): the unit and scenario tests, less those that need
# POSIX (pseudo-terminals, FIFOs, fork, permissions), and one session of
# quorvel.exe in a Wine console in tmux.

# GoogleTest from Debian's source package, built with the cross compiler.
set(QUORVEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source (Debian's googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# It is built with the compiler's own options: its text is no GBK (<chrono>'s
# "\u00b5s" has no GBK form).
get_directory_property(project_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${QUORVEL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${project_options}")

file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
# POSIX only: the terminal front end (a pseudo-terminal, termios, terminfo;
# dbcs_test.cpp draws a pop-up with its renderer), and the save faults
# (read-only directories, another user, FIFOs).
list(FILTER TEST_SOURCES EXCLUDE REGEX "/console/(terminal_[a-z_]+|dbcs)_test\\.cpp$")
list(FILTER TEST_SOURCES EXCLUDE REGEX "/session/save_faults_test\\.cpp$")
# Other copies of the program in child processes (fork), flock and signals.
list(FILTER TEST_SOURCES EXCLUDE REGEX "/store/store_safety_test\\.cpp$")
# The few POSIX calls the other store tests make, on the C runtime.
file(GLOB store_tests ${CMAKE_CURRENT_SOURCE_DIR}/store/*.cpp)
set_source_files_properties(${store_tests} PROPERTIES COMPILE_OPTIONS
  "-include;${CMAKE_CURRENT_SOURCE_DIR}/support/windows_posix_shim.h")
add_executable(quorvel_tests ${TEST_SOURCES})
target_include_directories(quorvel_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvel_tests PRIVATE quorvel_app quorvel_samples GTest::gtest_main GTest::gmock)
target_compile_definitions(quorvel_tests PRIVATE QUORVEL_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples")

# Wine runs in a prefix of its own in the build tree, made once, quietly
# (no dialogs, no .NET or HTML engines) and under a time limit.
set(QUORVEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
set(wine_env WINEPREFIX=${QUORVEL_WINEPREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" DISPLAY=)
add_test(NAME windows.prefix
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh ${QUORVEL_WINEPREFIX})
set_tests_properties(windows.prefix PROPERTIES LABELS windows FIXTURES_SETUP wine TIMEOUT 300)

# Left out: cases that need POSIX permission bits, FIFOs or symbolic links.
set(posix_cases
  StoreSave.NewFilesAreForTheOwnerOnlyAndReplacedFilesKeepTheirMode
  StoreBackup.ANewBackupIsForTheOwnerOnlyAndAReplacedOneKeepsItsMode
  StoreLoad.AFifoADeviceOrAFolderInPlaceOfADataFileCannotBeOpened
  StoreBackup.AMissingUnreadableOrShortBackupIsRefused
  StoreSave.LeftoverTemporariesAreRemovedNotWrittenThrough)
list(JOIN posix_cases ":" gtest_excluded)

# The unit and scenario tests in two shards, one Wine process each.
foreach(shard 0 1)
  add_test(NAME windows.unit.${shard} COMMAND quorvel_tests)
  set_tests_properties(windows.unit.${shard} PROPERTIES
    LABELS windows FIXTURES_REQUIRED wine TIMEOUT 900
    ENVIRONMENT "${wine_env};GTEST_TOTAL_SHARDS=2;GTEST_SHARD_INDEX=${shard};GTEST_FILTER=-${gtest_excluded}")
endforeach()

# quorvel.exe in a 150 x 100 tmux pane, against the Linux build's files for
# the same keys (QUORVEL_LINUX_BINARY: that build's quorvel).
set(QUORVEL_LINUX_BINARY "" CACHE FILEPATH "The Linux build's quorvel, for the Wine session")
add_test(NAME windows.e2e.session
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/session.sh $<TARGET_FILE:quorvel>
                 ${QUORVEL_LINUX_BINARY} ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows.e2e.session PROPERTIES
  LABELS "windows;e2e" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")
