# The Debian packages, made by CPack's DEB generator from this build's own
# files (`cpack -G DEB` in the build folder):
#
#   velmora         the converter and its manual page; built with
#                   VELMORA_WINDOWS_BUILD, the window program, its Wine
#                   launcher, desktop entry and icons as well
#   libvelmora2     the shared library, named after its SONAME
#   libvelmora-dev  the header, the static library, velmora.pc and the CMake package
#
# Each package is one install component (see packaging.cmake and
# library/CMakeLists.txt); the files only a Debian package has (its
# copyright, its changelog, the compressed manual page) are in the same
# components but left out of a plain `cmake --install`. dpkg-shlibdeps
# writes the dependencies on the system's libraries; libvelmora2 gets a
# shlibs file, so that packages built against it depend on it.
# The packages install under /usr whatever prefix the build has; the library
# goes into its lib folder (/usr/lib from a build of the default prefix).

if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()

set(VELMORA_DEBIAN_MAINTAINER "ヴェルモラ開発チーム <velmora@example.org>" CACHE STRING
  "The Maintainer field of the Debian packages and the name of their changelog entry")
set(library_package libvelmora${PROJECT_VERSION_MAJOR})
set(debian_files ${CMAKE_BINARY_DIR}/debian)
find_program(GZIP gzip REQUIRED)

# One copyright file for every package: each holds the engine with
# libjpeg-turbo and libspng compiled in. The converter's package adds the
# libraries compiled into the window program when it carries it.
string(REGEX REPLACE "^[0-9]+:" "" jpeg_upstream ${VELMORA_JPEG_VERSION})
string(REGEX REPLACE "-[^-]*$" "" jpeg_upstream ${jpeg_upstream})
string(REGEX REPLACE "-[^-]*$" "" spng_upstream ${VELMORA_SPNG_VERSION})
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
file(READ ${VELMORA_SOURCES_DIR}/libjpeg-turbo/debian/copyright jpeg_copyright)
file(READ ${VELMORA_SOURCES_DIR}/libspng/debian/copyright spng_copyright)
set(copyright "Velmora Extractor (ヴェルモラ抽出器) ${PROJECT_VERSION}

${licence}
The programs and libraries of these packages have libjpeg-turbo ${jpeg_upstream} and
libspng ${spng_upstream} compiled in, built from Debian's source packages libjpeg-turbo
${VELMORA_JPEG_VERSION} and libspng ${VELMORA_SPNG_VERSION}. Their copyright and licences follow, as
each source package's debian/copyright gives them.

libjpeg-turbo ${jpeg_upstream}
------------------

${jpeg_copyright}
libspng ${spng_upstream}
------------

${spng_copyright}")
file(WRITE ${debian_files}/library/copyright "${copyright}")
set(converter_copyright "${copyright}")
if(VELMORA_WINDOWS_BUILD)
  # The window program is a static Windows program; with the image libraries
  # it holds MinGW-w64's runtime, GCC's and zlib, from these Debian packages.
  foreach(package mingw-w64-common gcc-mingw-w64-base libz-mingw-w64-dev)
    file(READ /usr/share/doc/${package}/copyright package_copyright)
    string(APPEND converter_copyright "
The window program, velmora.exe: ${package}
------------------------------------------------------------

${package_copyright}")
  endforeach()
endif()
file(WRITE ${debian_files}/converter/copyright "${converter_copyright}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE
  ${VELMORA_SOURCES_DIR}/libjpeg-turbo/debian/copyright ${VELMORA_SOURCES_DIR}/libspng/debian/copyright)

# A native package's changelog, one entry for this version, dated by
# SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${debian_files}/changelog "velmora (${PROJECT_VERSION}) unstable; urgency=medium

  * Velmora Extractor ${PROJECT_VERSION}.

 -- ${VELMORA_DEBIAN_MAINTAINER}  ${changelog_date}
")

# gzip -9n, as Debian wants its documentation compressed: no name, no time.
set(compressed "")
foreach(file changelog cli/velmora-cli.1)
  get_filename_component(name ${file} NAME)
  set(source ${CMAKE_BINARY_DIR}/${file})
  if(file STREQUAL changelog)
    set(source ${debian_files}/changelog)
  endif()
  add_custom_command(OUTPUT ${debian_files}/${name}.gz
    COMMAND ${GZIP} -9nc ${source} > ${debian_files}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND compressed ${debian_files}/${name}.gz)
endforeach()
add_custom_target(debian_files ALL DEPENDS ${compressed})

install(FILES ${debian_files}/velmora-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT converter EXCLUDE_FROM_ALL)

# libjpeg-turbo is compiled in on purpose, as in every build of the project:
# the version pinned by scripts/fetch-sources.sh, so that all of them decode
# the same pixels. lintian is told so.
set(why "# libjpeg-turbo is compiled in from the release scripts/fetch-sources.sh pins, as in every build of Velmora Extractor.")
file(WRITE ${debian_files}/converter/velmora "${why}\nembedded-library libjpeg [usr/bin/velmora-cli]\n")
file(WRITE ${debian_files}/library/${library_package}
  "${why}\nembedded-library libjpeg [usr/${CMAKE_INSTALL_LIBDIR}/libvelmora.so.${PROJECT_VERSION}]\n")
install(FILES ${debian_files}/converter/velmora DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  COMPONENT converter EXCLUDE_FROM_ALL)
install(FILES ${debian_files}/library/${library_package} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  COMPONENT library EXCLUDE_FROM_ALL)
foreach(component converter library development)
  set(package velmora)
  set(copyright_file ${debian_files}/converter/copyright)
  if(component STREQUAL library)
    set(package ${library_package})
    set(copyright_file ${debian_files}/library/copyright)
  elseif(component STREQUAL development)
    set(package libvelmora-dev)
    set(copyright_file ${debian_files}/library/copyright)
  endif()
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
  install(FILES ${copyright_file} ${debian_files}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "ヴェルモラ開発チーム")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL converter library development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELMORA_DEBIAN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# ldconfig runs by the trigger dpkg offers, as Debian wants; CPack's own
# maintainer scripts call it as well, which does no harm.
file(WRITE ${debian_files}/library/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${debian_files}/library/triggers)
set(CPACK_DEBIAN_CONVERTER_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# velmora.pc and the CMake package name zlib and the C++ runtime for static
# linking, the one of the compiler that built the library first.
string(REGEX MATCH "^[0-9]+" compiler_major ${CMAKE_CXX_COMPILER_VERSION})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${library_package} (= ${PROJECT_VERSION}), zlib1g-dev, libstdc++-${compiler_major}-dev | libstdc++-dev")
if(VELMORA_WINDOWS_BUILD)
  # The converter works without Wine; the window program's launcher needs it.
  set(CPACK_DEBIAN_CONVERTER_PACKAGE_RECOMMENDS wine)
endif()
# CPack indents the long descriptions and marks their empty lines.
set(about "Velmora Extractor (ヴェルモラ抽出器) turns a colour photograph or drawing
into a black-on-white line drawing: the outline of each change of colour,
or each dark stroke once, solid, as a pen would draw it. It reads BMP, JPEG
and PNG files and writes BMP, PNG or SVG.")
set(CPACK_COMPONENT_CONVERTER_DESCRIPTION "photographs and drawings into black-on-white line drawings
${about}

This package holds velmora-cli, a batch converter for the command line.")
if(VELMORA_WINDOWS_BUILD)
  string(APPEND CPACK_COMPONENT_CONVERTER_DESCRIPTION "
With Wine installed, the window program (in Japanese) runs as velmora and
from the desktop menu.")
endif()
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "C library that turns pictures into line drawings
${about}

This package holds the shared library.")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "C library that turns pictures into line drawings - development files
${about}

This package holds the header velmora.h, the static library, the
pkg-config file and the CMake package.")
include(CPack)
