# libjpeg-turbo and libspng, built from Debian's source packages with this
# build's compiler and flags (sanitizers and fuzzing coverage included), the
# same sources for every preset. scripts/fetch-sources.sh fetches the versions
# it pins once into build/sources, shared by the presets; each preset builds
# its own copy. Defines the targets jpeg_library and png_library, and the
# Debian versions built in VELMORA_JPEG_VERSION and VELMORA_SPNG_VERSION.
include(ExternalProject)

set(VELMORA_SOURCES_DIR ${PROJECT_SOURCE_DIR}/build/sources CACHE PATH "Where the library sources are fetched")
# Off in the Python source package, which carries the sources already
# fetched and patched, so that it builds without Debian's tools.
option(VELMORA_FETCH_SOURCES "Fetch the pinned library sources with scripts/fetch-sources.sh" ON)
if(VELMORA_FETCH_SOURCES)
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/fetch-sources.sh ${VELMORA_SOURCES_DIR}
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "Could not fetch the library sources into ${VELMORA_SOURCES_DIR}")
  endif()
  # A change of the pins fetches again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/scripts/fetch-sources.sh)
endif()
foreach(library libjpeg-turbo libspng)
  if(NOT EXISTS ${VELMORA_SOURCES_DIR}/${library}/.fetched)
    message(FATAL_ERROR "${VELMORA_SOURCES_DIR} holds no fetched ${library}")
  endif()
endforeach()
# libjpeg-turbo's SIMD code decodes the same pixels as its plain C code,
# faster; on x86 it needs nasm or yasm. The project's builds insist on it,
# the Python source package takes it where it can.
option(VELMORA_JPEG_SIMD_REQUIRED "Stop when libjpeg-turbo's SIMD code cannot be built" ON)
file(STRINGS ${VELMORA_SOURCES_DIR}/libjpeg-turbo/.fetched VELMORA_JPEG_VERSION)
file(STRINGS ${VELMORA_SOURCES_DIR}/libspng/.fetched VELMORA_SPNG_VERSION)

set(library_c_flags "")
if(VELMORA_SANITIZE)
  string(APPEND library_c_flags " -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
endif()
if(VELMORA_FUZZ)
  string(APPEND library_c_flags " -fsanitize=fuzzer-no-link")
endif()
set(library_cmake_args
  -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
  -DCMAKE_C_FLAGS=${library_c_flags}
  -DCMAKE_POSITION_INDEPENDENT_CODE=ON)
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND library_cmake_args -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE})
endif()

# Each version is built in a folder of its own: the files of a newly fetched
# one keep their release dates, which may be older than the objects built
# from the one before. The folder is named as Debian names the files, with
# no epoch.
string(REGEX REPLACE "^[0-9]+:" "" jpeg_release ${VELMORA_JPEG_VERSION})
string(REGEX REPLACE "^[0-9]+:" "" spng_release ${VELMORA_SPNG_VERSION})

# Only the static library is built; it is used from the build tree.
set(jpeg_build ${CMAKE_BINARY_DIR}/libjpeg-turbo-${jpeg_release})
ExternalProject_Add(libjpeg-turbo
  PREFIX ${jpeg_build}/external
  SOURCE_DIR ${VELMORA_SOURCES_DIR}/libjpeg-turbo
  BINARY_DIR ${jpeg_build}
  CMAKE_ARGS ${library_cmake_args}
    -DCMAKE_INSTALL_PREFIX=${jpeg_build}/install
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=${VELMORA_JPEG_SIMD_REQUIRED}
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target jpeg-static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${jpeg_build}/libjpeg.a)
add_library(jpeg_library STATIC IMPORTED GLOBAL)
set_target_properties(jpeg_library PROPERTIES
  IMPORTED_LOCATION ${jpeg_build}/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES "${VELMORA_SOURCES_DIR}/libjpeg-turbo;${jpeg_build}")
add_dependencies(jpeg_library libjpeg-turbo)

# zlib: Debian's build for the host (zlib1g-dev) or for MinGW-w64
# (libz-mingw-w64-dev), the same release; linked statically into Windows programs.
set(ZLIB_USE_STATIC_LIBS ${WIN32})
find_package(ZLIB REQUIRED)
set(spng_build ${CMAKE_BINARY_DIR}/libspng-${spng_release})
ExternalProject_Add(libspng
  PREFIX ${spng_build}/external
  SOURCE_DIR ${VELMORA_SOURCES_DIR}/libspng
  BINARY_DIR ${spng_build}
  CMAKE_ARGS ${library_cmake_args}
    -DCMAKE_INSTALL_PREFIX=${spng_build}/install
    -DBUILD_EXAMPLES=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target spng_static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${spng_build}/libspng_static.a)
add_library(png_library STATIC IMPORTED GLOBAL)
set_target_properties(png_library PROPERTIES
  IMPORTED_LOCATION ${spng_build}/libspng_static.a
  INTERFACE_INCLUDE_DIRECTORIES ${VELMORA_SOURCES_DIR}/libspng/spng
  INTERFACE_COMPILE_DEFINITIONS SPNG_STATIC
  INTERFACE_LINK_LIBRARIES "ZLIB::ZLIB;$<$<NOT:$<BOOL:${WIN32}>>:m>")
add_dependencies(png_library libspng)
file(MAKE_DIRECTORY ${jpeg_build} ${spng_build})
