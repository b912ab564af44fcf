# `cpack -G DEB` (scripts/package drives it) turns the install rules into
# toneglass_<version>_<arch>.deb: whatever installs under the prefix lands in the
# package, with /usr as the prefix. The version is the project's, which the plug-in
# also reports to hosts.

set(TONEGLASS_PACKAGE_MAINTAINER "Toneglass maintainers <maintainers@users.noreply.c-seed-c496560f.example>"
    CACHE STRING "Maintainer field of the Debian package")

# ---- Files only the package carries ---------------------------------------------------
set(TONEGLASS_DOC_DIR share/doc/toneglass)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${TONEGLASS_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${TONEGLASS_DOC_DIR})

# Debian wants the change log and manual pages compressed reproducibly (no name or time
# stamp in the gzip header); the change log's first entry carries the project version.
find_program(TONEGLASS_GZIP gzip REQUIRED)
set(_changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${_changelog} @ONLY)
set(_gzipped ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
             ${CMAKE_CURRENT_BINARY_DIR}/packaging/toneglass-host.1.gz)
add_custom_command(OUTPUT ${_gzipped}
  COMMAND ${TONEGLASS_GZIP} -9nc ${_changelog} > ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${TONEGLASS_GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/toneglass-host.1
          > ${CMAKE_CURRENT_BINARY_DIR}/packaging/toneglass-host.1.gz
  DEPENDS ${_changelog} ${CMAKE_SOURCE_DIR}/packaging/toneglass-host.1
  VERBATIM)
add_custom_target(toneglass-package-docs ALL DEPENDS ${_gzipped})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${TONEGLASS_DOC_DIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/toneglass-host.1.gz DESTINATION share/man/man1)

# ---- The package -----------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME toneglass)
set(CPACK_PACKAGE_VENDOR Vantor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spectrum analyser that makes its peaks audible (VST 2 plug-in)")
# CPack puts the summary first and indents these lines itself (an empty line becomes " .").
set(CPACK_PACKAGE_DESCRIPTION
"Toneglass is a stereo audio effect for Linux hosts. It passes its input
through at an adjustable level, shows a live magnitude spectrum of the
left-plus-right mix in its editor, and plays a short sine blip whenever the
strongest bin inside a chosen frequency band rises above a threshold: the
blip's pitch tells by how many decibels, its stereo position where in the
spectrum.

This package holds the plug-in for hosts that load VST 2 plug-ins from
/usr/lib/vst, every other plug-in format the build installs, and
toneglass-host, a command-line host that renders audio files through a
plug-in.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TONEGLASS_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps on the packaged binaries. The one thing
# it cannot see: the editor's text needs at least one scalable font that fontconfig
# knows; without any, the knobs lose their names and values.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
# Message boxes and file prompts of the editor use whichever of these is installed.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "zenity | kdialog")
# Stripped binaries in the package, their symbols and debug information in
# toneglass-dbgsym_<version>_<arch>.ddeb beside it (found by build id). CPack strips
# while it splits, so the install step must leave the binaries whole.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
