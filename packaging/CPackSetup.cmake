# The Debian package, made by `cpack -G DEB` in the build folder (or
# `./setup.sh --package`). Included at the end of the top folder, when every
# install rule is known.
#
# Each install component is a package of its own: `corvatine` holds the
# programs and everything above; any other component (the file-manager
# adapters, which load into Nautilus or Thunar and so need their libraries)
# becomes `corvatine-COMPONENT`, which depends on `corvatine` and is only
# suggested by it. dpkg-shlibdeps works out each package's library
# dependencies from what that package holds, so libnautilus and libthunarx
# never become dependencies of the main package.
set(CORVATINE_PACKAGE_MAINTAINER "Corvatine maintainers <maintainers@users.noreply.c-seed-9e733955.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_NAME corvatine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvatine maintainers")
set(CPACK_PACKAGE_CONTACT "${CORVATINE_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVATINE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries of the main package that another package's modules link (kept
# in the private folder lib/corvatine, out of the linker's search path): its
# staging folder lies beside that of every other package, where
# dpkg-shlibdeps runs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "../corvatine${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/corvatine")
# The .deb files land in the build folder (cpack -B chooses another).
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_CORVATINE_PACKAGE_NAME corvatine)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compare, merge and synchronise files and folders")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvatine compares two text files line by line under configurable rules
(ignoring case, white space, blank lines, line endings, comments or lines
that match a filter), two binary files byte by byte, and two folder trees by
name, time, size, attributes, version, CRC-32 or content. Differences are
merged from side to side and saved, folders are synchronised, and HTML
reports are written.
.
It has two faces: a desktop window (Qt 6) and a command-line front end for
shells and scripts, whose output and exit status follow diff and cmp.")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")

get_cmake_property(components COMPONENTS)
set(suggested "")
foreach(component IN LISTS components)
  if(component STREQUAL "corvatine")
    continue()
  endif()
  string(TOUPPER "${component}" upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME "corvatine-${component}")
  set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "corvatine (= ${PROJECT_VERSION})")
  if(NOT DEFINED CPACK_DEBIAN_${upper}_DESCRIPTION)
    set(CPACK_DEBIAN_${upper}_DESCRIPTION "${component} part of Corvatine
The ${component} part of Corvatine, the tool that compares, merges and
synchronises files and folders.")
  endif()
  list(APPEND suggested "corvatine-${component}")
  # Every package carries its own copyright and changelog.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvatine-${component} COMPONENT ${component})
endforeach()
if(suggested)
  list(JOIN suggested ", " CPACK_DEBIAN_CORVATINE_PACKAGE_SUGGESTS)
endif()

include(CPack)
