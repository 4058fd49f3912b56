# The platform parts. The application and the console layer are one source;
# what differs between POSIX systems and Windows lives in one folder per
# platform, chosen here by the target:
#
#   what                      POSIX (Linux)                 Windows
#   front end                 src/console/terminal/         src/console/windows/ (and the
#                                                           terminal's view.cpp)
#   GBK conversion            src/platform/posix/ (iconv)   src/platform/windows/ (code page 936)
#   the store's file          src/platform/posix/           src/platform/windows/
#   operations                  store_files.cpp               store_files.cpp
#   program entry             src/main.cpp                  src/platform/windows/main.cpp
#
# The Windows console front end's record translation
# (src/console/windows/records.cpp) is plain C++ and is built on both, so
# that its tests run on both.
#
# Sets QUORVEL_CONSOLE_PLATFORM_SOURCES, QUORVEL_APP_PLATFORM_SOURCES and
# QUORVEL_MAIN_SOURCE.

set(QUORVEL_CONSOLE_PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/src/console/windows/records.cpp)
if(WIN32)
  file(GLOB _win_console CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/console/windows/*.cpp)
  file(GLOB _win_platform CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/windows/*.cpp)
  list(REMOVE_ITEM _win_platform ${PROJECT_SOURCE_DIR}/src/platform/windows/main.cpp
                                 ${PROJECT_SOURCE_DIR}/src/platform/windows/store_files.cpp)
  # The view of a window smaller than the buffer is the terminal's own.
  list(APPEND QUORVEL_CONSOLE_PLATFORM_SOURCES ${_win_console} ${_win_platform}
       ${PROJECT_SOURCE_DIR}/src/console/terminal/view.cpp)
  list(REMOVE_DUPLICATES QUORVEL_CONSOLE_PLATFORM_SOURCES)
  set(QUORVEL_APP_PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/src/platform/windows/store_files.cpp)
  set(QUORVEL_MAIN_SOURCE ${PROJECT_SOURCE_DIR}/src/platform/windows/main.cpp)
  # The benchmarks drive the program in a pseudo-terminal.
  set(QUORVEL_BENCH OFF)

  # One file that runs on Windows 10 or later with nothing beside it: the C++
  # runtime, libgcc and winpthreads linked in.
  add_link_options(-static)
  # Windows 10 is the oldest the program is built for.
  add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE)
else()
  # The terminal front end draws through terminfo (ncursesw).
  set(CURSES_NEED_NCURSES TRUE)
  set(CURSES_NEED_WIDE TRUE)
  find_package(Curses REQUIRED)
  file(GLOB _posix CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/console/terminal/*.cpp
                                     ${PROJECT_SOURCE_DIR}/src/platform/posix/*.cpp)
  list(REMOVE_ITEM _posix ${PROJECT_SOURCE_DIR}/src/platform/posix/store_files.cpp)
  list(APPEND QUORVEL_CONSOLE_PLATFORM_SOURCES ${_posix})
  set(QUORVEL_APP_PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/src/platform/posix/store_files.cpp)
  set(QUORVEL_MAIN_SOURCE ${PROJECT_SOURCE_DIR}/src/main.cpp)
endif()
