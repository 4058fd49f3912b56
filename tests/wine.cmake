# The tests of the Windows build under Wine (CTest label "windows"): the unit
# and scenario tests of every area but the terminal's, less those that need
# POSIX (FIFOs, fork, permissions); one session of quorvel.exe in a Wine
# console in tmux, and the console given back, seen by a probe; the GBK
# conversion of both builds against code page 936; the exe and the zip.

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

# Each area's binary in one Wine process.
foreach(area ${QUORVEL_TEST_AREAS})
  add_test(NAME windows.${area} COMMAND ${area}_tests)
  set_tests_properties(windows.${area} PROPERTIES
    LABELS "windows;${area}" FIXTURES_REQUIRED wine TIMEOUT 900
    ENVIRONMENT "${wine_env};GTEST_FILTER=-${gtest_excluded}")
endforeach()

# quorvel.exe in a 150 x 100 tmux pane, against the Linux build's files for
# the same keys (QUORVEL_LINUX_BINARY: that build's quorvel; its GBK plane
# writer is beside it, in tests/).
set(QUORVEL_LINUX_BINARY "" CACHE FILEPATH "The Linux build's quorvel, for the Wine session")
get_filename_component(linux_build "${QUORVEL_LINUX_BINARY}" DIRECTORY)
add_test(NAME windows.e2e.session
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/session.sh $<TARGET_FILE:quorvel>
                 ${QUORVEL_LINUX_BINARY} ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows.e2e.session PROPERTIES
  LABELS "windows;e2e" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")

# The lock between the builds: the Linux build's lock and the Windows build's
# (under Wine, whose server keeps byte-range locks as POSIX locks on the
# file) keep each other out, and quorvel.exe does not save while a Linux
# copy holds the lock.
add_test(NAME windows.e2e.lock
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/lock.sh $<TARGET_FILE:quorvel>
                 ${linux_build}/tests/lock_holder $<TARGET_FILE:lock_holder>
                 ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows.e2e.lock PROPERTIES
  LABELS "windows;e2e" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")

# The program's GBK conversion in both builds against code page 936 as the
# Windows API gives it, over the whole plane.
add_executable(gbk_plane_api wine/gbk_plane_api.cpp)
target_include_directories(gbk_plane_api PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME windows.gbk_plane
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/gbk_plane.sh ${linux_build}/tests/gbk_plane
                 $<TARGET_FILE:gbk_plane> $<TARGET_FILE:gbk_plane_api>
                 ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows.gbk_plane PROPERTIES
  LABELS "windows;console" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")

# The probe: describes the console before and after quorvel.exe runs in it,
# and reads the exe's version information and manifest.
add_executable(probe wine/probe.cpp)
target_link_libraries(probe PRIVATE version)

# quorvel.exe left by Alt+X and by Ctrl+C in a Wine console in tmux: the
# console as the probe saw it before.
add_test(NAME windows.e2e.console_restore
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/console_restore.sh $<TARGET_FILE:quorvel>
                 $<TARGET_FILE:probe> ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows.e2e.console_restore PROPERTIES
  LABELS "windows;e2e" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")

# The release build: the exe stripped, with version information and a
# manifest, "/?" as "--help", and the zip's files.
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  add_test(NAME windows.release
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/release.sh ${PROJECT_BINARY_DIR}
                   ${PROJECT_VERSION} $<TARGET_FILE:probe> ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(windows.release PROPERTIES
    LABELS "windows;package" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")
endif()

# The command-line modes on folders with Chinese names, against the Linux
# build's report and CSV files.
add_test(NAME windows.e2e.cli
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/cli.sh $<TARGET_FILE:quorvel>
                 ${QUORVEL_LINUX_BINARY} ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows.e2e.cli PROPERTIES
  LABELS "windows;e2e" FIXTURES_REQUIRED wine TIMEOUT 300 ENVIRONMENT "${wine_env}")
