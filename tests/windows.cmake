# The tests of the Windows build are cross-compiled with MinGW and run under
# Wine (wine.cmake).

# GoogleTest from Debian's source package, built with the cross compiler.
set(QUORVEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source (Debian's googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# It is built with the compiler's own options: its text is no GBK (<chrono>'s
# "\u00b5s" has no GBK form).
get_directory_property(project_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${QUORVEL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${project_options}")
