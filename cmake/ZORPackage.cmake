# What an installation holds besides the targets: zorhost, the CMake package of the host
# platform, the documents and the license; and the Debian package made of it all.
include(CMakePackageConfigHelpers)

set(ZOR_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZORHost)
install(EXPORT ZORHostTargets NAMESPACE ZORHost:: DESTINATION ${ZOR_CMAKE_PACKAGE_DIR}
        COMPONENT development)
configure_package_config_file(cmake/ZORHostConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ZORHostConfig.cmake
  INSTALL_DESTINATION ${ZOR_CMAKE_PACKAGE_DIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR)
# The major version is the ABI: a program built against 1.x takes any 1.y.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZORHostConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZORHostConfig.cmake ${PROJECT_BINARY_DIR}/ZORHostConfigVersion.cmake
        DESTINATION ${ZOR_CMAKE_PACKAGE_DIR} COMPONENT development)

install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT runtime)
install(FILES examples/parts/bracket.step examples/parts/torus.step examples/parts/bracket-scan.stl
              examples/parts/moulded.step
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/parts COMPONENT runtime)

# The Debian packages: zorhost, what runs, and zorhost-dev, the headers and the CMake package to
# build host programs, as Debian splits its own libraries. Configure with
# -DCMAKE_INSTALL_PREFIX=/usr so that GNUInstallDirs puts the libraries in the multiarch folder.
# The maintainer is whoever makes the package, as Debian's tools take them: DEBFULLNAME and
# DEBEMAIL, or ZOR_PACKAGE_MAINTAINER.
set(maintainer "")
if(DEFINED ENV{DEBEMAIL})
  set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
endif()
set(ZOR_PACKAGE_MAINTAINER "${maintainer}" CACHE STRING
    "The Debian packages' maintainer, 'Name <address>' (default: $DEBFULLNAME <$DEBEMAIL>)")
set(CPACK_PACKAGE_NAME zorhost)
set(CPACK_PACKAGE_VENDOR "ZORCarColorScale developers")
set(CPACK_PACKAGE_CONTACT "${ZOR_PACKAGE_MAINTAINER}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME zorhost)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME zorhost-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "zorhost (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
if(ZOR_BUILD_PYTHON)
  # zorscale runs in the system's Python with its numpy; matplotlib only for to_matplotlib.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "python3, python3-numpy")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "python3-matplotlib")
endif()
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "the host platform's headers and CMake package, to build host programs of the color scale module")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "color scales of surface analyses: zorhost, its module and host platform")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries' own dependencies, found by dpkg-shlibdeps; the host platform library is the
# package's own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
