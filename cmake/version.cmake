# The version is typed only in project() of CMakeLists.txt; everything else
# takes it from there. C++ code sees it as the string VELMORA_VERSION. The
# resource compiler cannot take a quoted definition, so the resource scripts
# include the generated velmora_version.h instead, and the manifest is
# configured: both are found first in VELMORA_GENERATED_DIR, ahead of res/.
# A resource script lists VELMORA_RESOURCE_DEPENDS as its OBJECT_DEPENDS, since
# its compiler reports no dependencies.
set(VELMORA_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)

# Windows wants four numbers, a missing third or fourth being 0.
set(version_numbers "")
foreach(number "${PROJECT_VERSION_MAJOR}" "${PROJECT_VERSION_MINOR}" "${PROJECT_VERSION_PATCH}" "${PROJECT_VERSION_TWEAK}")
  if(number STREQUAL "")
    set(number 0)
  endif()
  list(APPEND version_numbers ${number})
endforeach()
list(JOIN version_numbers "." VELMORA_VERSION_QUAD)
list(JOIN version_numbers ", " VELMORA_VERSION_NUMBERS)

file(CONFIGURE OUTPUT ${VELMORA_GENERATED_DIR}/velmora_version.h CONTENT [[
// Generated from project(VERSION) in CMakeLists.txt, for the resource scripts.
#define VELMORA_VERSION "@PROJECT_VERSION@"
#define VELMORA_VERSION_NUMBERS @VELMORA_VERSION_NUMBERS@
// The window program's identifier in its settings file: a file written by
// another version is not trusted.
#define VELMORA_SOFTWARE_ID "Velmora@PROJECT_VERSION_MAJOR@@PROJECT_VERSION_MINOR@"
]] @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/velmora.manifest ${VELMORA_GENERATED_DIR}/velmora.manifest @ONLY)
set(VELMORA_RESOURCE_DEPENDS
  ${VELMORA_GENERATED_DIR}/velmora_version.h
  ${VELMORA_GENERATED_DIR}/velmora.manifest
  ${PROJECT_SOURCE_DIR}/res/version_info.rc)

include_directories(BEFORE ${VELMORA_GENERATED_DIR})
add_compile_definitions("$<$<COMPILE_LANGUAGE:CXX>:VELMORA_VERSION=\"${PROJECT_VERSION}\">")
