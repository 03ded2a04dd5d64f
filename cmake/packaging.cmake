# What `cmake --install` and CPack deliver.
#
# Windows build: one folder velmora-VERSION holding both programs, a Japanese
# read-me, the licence and the third-party notices, all texts in the form
# Notepad reads everywhere; the package target zips it as
# velmora-VERSION-win64.zip.
#
# Linux build: the converter and its manual page; given VELMORA_WINDOWS_BUILD,
# the build folder of the Windows preset, also the window program with a
# launcher that runs it under Wine, a desktop entry and the icon. CPack makes
# the Debian packages of the same files (cmake/debian-packages.cmake).

if(WIN32)
  set(package_folder velmora-${PROJECT_VERSION})
  set(texts ${CMAKE_BINARY_DIR}/package-texts)
  set(text_script ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake)

  # The libraries compiled into the programs and their licences, each text
  # under a title that names the version it belongs to. The image libraries'
  # come from the very sources built; the others from the Debian packages
  # installed, whose versions dpkg gives.
  function(installed_version package variable)
    execute_process(COMMAND dpkg-query -W -f=\${Version} ${package}
      OUTPUT_VARIABLE version RESULT_VARIABLE result ERROR_QUIET)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${package} is not installed: scripts/setup.sh installs it")
    endif()
    set(${variable} ${version} PARENT_SCOPE)
  endfunction()
  installed_version(mingw-w64-common mingw_version)
  installed_version(gcc-mingw-w64-base gcc_version)
  installed_version(libz-mingw-w64-dev zlib_version)
  # Upstream's version, without Debian's epoch, revision or repacking.
  function(upstream_version debian_version variable)
    string(REGEX REPLACE "^([0-9]+:)?([0-9.]+).*" "\\2" version ${debian_version})
    set(${variable} ${version} PARENT_SCOPE)
  endfunction()
  upstream_version(${VELMORA_JPEG_VERSION} jpeg_upstream)
  upstream_version(${VELMORA_SPNG_VERSION} spng_upstream)
  upstream_version(${zlib_version} zlib_upstream)

  set(notice_titles "")
  set(notice_origins "")
  set(notice_files "")
  macro(notice title origin file)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} is missing: scripts/setup.sh installs the package that holds it")
    endif()
    list(APPEND notice_titles "${title}")
    list(APPEND notice_origins "${origin}")
    list(APPEND notice_files ${file})
  endmacro()
  set(jpeg_source "Debian's source package libjpeg-turbo ${VELMORA_JPEG_VERSION}, from which it was built")
  set(spng_source "Debian's source package libspng ${VELMORA_SPNG_VERSION}, from which it was built")
  set(jpeg_tree ${VELMORA_SOURCES_DIR}/libjpeg-turbo)
  set(spng_tree ${VELMORA_SOURCES_DIR}/libspng)
  notice("MinGW-w64 runtime and winpthreads"
    "copyright of Debian's package mingw-w64-common ${mingw_version}" /usr/share/doc/mingw-w64-common/copyright)
  notice("GCC runtime libraries (libstdc++, libgcc)"
    "copyright of Debian's package gcc-mingw-w64-base ${gcc_version}" /usr/share/doc/gcc-mingw-w64-base/copyright)
  notice("libjpeg-turbo ${jpeg_upstream}" "debian/copyright of ${jpeg_source}" ${jpeg_tree}/debian/copyright)
  notice("libjpeg-turbo ${jpeg_upstream}" "LICENSE.md of ${jpeg_source}" ${jpeg_tree}/LICENSE.md)
  notice("libjpeg-turbo ${jpeg_upstream}: the IJG licence" "README.ijg of ${jpeg_source}" ${jpeg_tree}/README.ijg)
  notice("libspng ${spng_upstream}" "debian/copyright of ${spng_source}" ${spng_tree}/debian/copyright)
  notice("libspng ${spng_upstream}" "LICENSE of ${spng_source}" ${spng_tree}/LICENSE)
  notice("zlib ${zlib_upstream}"
    "copyright of Debian's package libz-mingw-w64-dev ${zlib_version}" /usr/share/doc/libz-mingw-w64-dev/copyright)
  set(licences /usr/share/common-licenses)
  notice("GNU General Public License, version 3" "as Debian ships it in ${licences}/GPL-3" ${licences}/GPL-3)
  notice("GNU General Public License, version 2" "as Debian ships it in ${licences}/GPL-2" ${licences}/GPL-2)
  notice("GNU Lesser General Public License, version 2.1" "as Debian ships it in ${licences}/LGPL-2.1"
    ${licences}/LGPL-2.1)
  notice("GNU Library General Public License, version 2" "as Debian ships it in ${licences}/LGPL-2" ${licences}/LGPL-2)

  # The read-me and the notices' opening name the versions.
  configure_file(${PROJECT_SOURCE_DIR}/docs/README-ja.txt ${texts}/README-ja.configured.txt @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/docs/third-party-notices.txt ${texts}/notices-preamble.txt @ONLY)
  add_custom_command(OUTPUT ${texts}/README-ja.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${texts}/README-ja.txt -DINPUTS=${texts}/README-ja.configured.txt
            -P ${text_script}
    DEPENDS ${texts}/README-ja.configured.txt ${text_script})
  add_custom_command(OUTPUT ${texts}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${texts}/LICENSE.txt -DINPUTS=${PROJECT_SOURCE_DIR}/LICENSE -P ${text_script}
    DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE ${text_script})
  add_custom_command(OUTPUT ${texts}/THIRD-PARTY-NOTICES.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${texts}/THIRD-PARTY-NOTICES.txt -DPREAMBLE=${texts}/notices-preamble.txt
            "-DINPUTS=${notice_files}" "-DHEADINGS=${notice_titles}" "-DORIGINS=${notice_origins}"
            -P ${text_script}
    DEPENDS ${notice_files} ${texts}/notices-preamble.txt ${text_script}
    VERBATIM)
  add_custom_target(package_texts ALL
    DEPENDS ${texts}/README-ja.txt ${texts}/LICENSE.txt ${texts}/THIRD-PARTY-NOTICES.txt)

  install(TARGETS velmora velmora-cli RUNTIME DESTINATION ${package_folder})
  install(FILES ${texts}/README-ja.txt ${texts}/LICENSE.txt ${texts}/THIRD-PARTY-NOTICES.txt
    DESTINATION ${package_folder})

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME velmora)
  set(CPACK_PACKAGE_VENDOR "ヴェルモラ開発チーム")
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-win64)
  # The install rules already name the one folder inside the zip.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
else()
  include(GNUInstallDirs)
  install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT converter)
  # Debian's package has the page compressed instead.
  install(FILES ${CMAKE_BINARY_DIR}/cli/velmora-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manual)

  set(VELMORA_WINDOWS_BUILD "" CACHE PATH
    "Build folder of the windows preset, whose window program is installed with a Wine launcher")
  if(VELMORA_WINDOWS_BUILD)
    # The launcher finds the program and the Wine script beside each other in
    # lib/velmora, whatever the platform's library folder is called.
    install(PROGRAMS ${VELMORA_WINDOWS_BUILD}/ui/velmora.exe ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
      DESTINATION lib/velmora COMPONENT converter)
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/velmora-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
      RENAME velmora COMPONENT converter)
    install(FILES ${PROJECT_SOURCE_DIR}/res/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
      COMPONENT converter)

    # The Windows icon holds 16, 32 and 48 pixel images, in that order.
    find_program(IMAGEMAGICK_CONVERT convert REQUIRED)
    set(icons "")
    set(frame 0)
    foreach(size 16 32 48)
      set(icon ${CMAKE_BINARY_DIR}/icons/${size}/velmora.png)
      add_custom_command(OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
        COMMAND ${IMAGEMAGICK_CONVERT} ${PROJECT_SOURCE_DIR}/res/velmora.ico[${frame}] PNG32:${icon}
        DEPENDS ${PROJECT_SOURCE_DIR}/res/velmora.ico
        VERBATIM)
      install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        COMPONENT converter)
      list(APPEND icons ${icon})
      math(EXPR frame "${frame} + 1")
    endforeach()
    add_custom_target(desktop_icons ALL DEPENDS ${icons})
  endif()
  include(${PROJECT_SOURCE_DIR}/cmake/debian-packages.cmake)
endif()
