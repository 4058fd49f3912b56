# The parts that differ between POSIX systems and Windows. The application,
# the store and the console layer are one source; each platform adds the same
# three parts, in the same places:
#
#   what                        POSIX (Linux)                      Windows
#   entry                       src/platform/posix/main.cpp        src/platform/windows/main.cpp
#                                                                  (+ version information, manifest)
#   front end                   src/console/terminal/              src/console/windows/
#   the store's file operations src/platform/posix/store_files.cpp src/platform/windows/store_files.cpp
#
# (The GBK conversion is one source too: code page 936's table, in
# src/console/gbk.cpp and gbk_table.cpp.)
#
# Sets QUORVEL_CONSOLE_PLATFORM_SOURCES (the front end, built into the
# console library), QUORVEL_STORE_PLATFORM_SOURCES (built into the store
# library), QUORVEL_ENTRY_SOURCES and QUORVEL_ENTRY_LINK_OPTIONS.

if(WIN32)
  set(_os windows)
  set(QUORVEL_CONSOLE_PLATFORM_SOURCES
      src/console/windows/native.cpp
      src/console/windows/windows_frontend.cpp)
  # The benchmarks drive the program in a pseudo-terminal.
  set(QUORVEL_BENCH OFF)

  # One file that runs on Windows 10 or later with nothing beside it: the C++
  # runtime, libgcc and winpthreads linked in.
  add_link_options(-static)
  # Windows 10 is the oldest the program is built for.
  add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE)
  # The entry takes its arguments as UTF-16 (wmain).
  set(QUORVEL_ENTRY_LINK_OPTIONS -municode)
else()
  set(_os posix)
  set(QUORVEL_CONSOLE_PLATFORM_SOURCES
      src/console/terminal/history.cpp
      src/console/terminal/keydecoder.cpp
      src/console/terminal/renderer.cpp
      src/console/terminal/terminal_frontend.cpp
      src/console/terminal/termio.cpp)
  # The terminal front end draws through terminfo (ncursesw).
  set(CURSES_NEED_NCURSES TRUE)
  set(CURSES_NEED_WIDE TRUE)
  find_package(Curses REQUIRED)
endif()

set(QUORVEL_STORE_PLATFORM_SOURCES src/platform/${_os}/store_files.cpp)
set(QUORVEL_ENTRY_SOURCES src/platform/${_os}/main.cpp)

if(WIN32)
  # The exe's version information (the project's version, product, file
  # description) and its application manifest, compiled by windres.
  enable_language(RC)
  configure_file(src/platform/windows/quorvel.manifest.in ${CMAKE_BINARY_DIR}/quorvel.manifest @ONLY)
  configure_file(src/platform/windows/quorvel.rc.in ${CMAKE_BINARY_DIR}/quorvel.rc @ONLY)
  set_source_files_properties(${CMAKE_BINARY_DIR}/quorvel.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/quorvel.manifest)
  list(APPEND QUORVEL_ENTRY_SOURCES ${CMAKE_BINARY_DIR}/quorvel.rc)
endif()
