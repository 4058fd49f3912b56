# The Debian package (make package): the program in /usr/bin, its manual
# page, and the copyright file and changelog under /usr/share/doc/quorvel,
# built by CPack's DEB generator. Its version is the project's.

# The changelog's newest entry must be the version being built.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog changelog_head LIMIT_COUNT 1)
string(REGEX REPLACE "^quorvel \\(([^)]*)\\).*" "\\1" changelog_version "${changelog_head}")
if(NOT changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog starts with version '${changelog_version}', "
                      "the project is ${PROJECT_VERSION}: add an entry for it")
endif()

# The manual page and the changelog are installed gzipped at the highest
# level, without the file's name and time, so that the same sources give the
# same package.
find_program(QUORVEL_GZIP gzip REQUIRED)
foreach(doc docs/quorvel.1 packaging/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${name}.gz
    COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${QUORVEL_GZIP}
            ${PROJECT_SOURCE_DIR}/${doc} ${PROJECT_BINARY_DIR}/${name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${doc} VERBATIM)
endforeach()
add_custom_target(quorvel_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/quorvel.1.gz ${PROJECT_BINARY_DIR}/changelog.gz)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(FILES ${PROJECT_BINARY_DIR}/quorvel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "Quorvel developers")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <developers@quorvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "hospital records (departments, patients, visits) in a text console")
# Read here: CPack's own reading of a description file escapes it for XML.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/description)
file(READ ${CMAKE_CURRENT_LIST_DIR}/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: computed from the program's shared libraries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
