# The Debian package: `cpack -G DEB` (or just `cpack`) in a build folder makes
# serialterm_<version>_<architecture>.deb, which installs under /usr the program, its desktop
# entry, its icon and its licence. dpkg-shlibdeps (from dpkg-dev) works out the libraries it depends on.
set(SERIALTERM_MAINTAINER "serialterm developers <serialterm@example.org>"
    CACHE STRING "Name and address in the package's Maintainer field")

set(CPACK_PACKAGE_NAME serialterm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR serialterm)
set(CPACK_PACKAGE_CONTACT ${SERIALTERM_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Serial port terminal")
# The long description, one line of the control file per line here.
set(CPACK_PACKAGE_DESCRIPTION [[
A window per serial port: pick a device, a baud rate, a packet format
and a flow control, switch reading on, and watch what arrives as text,
as text with escapes for unprintable bytes, or as decimal or hexadecimal
escapes. The transmit editor speaks the same escapes, so any byte can be
composed and sent.]])
set(CPACK_STRIP_FILES ON)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Debian keeps each package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/serialterm RENAME copyright)

include(CPack)
