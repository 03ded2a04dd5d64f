# What `cmake --install` and CPack deliver.
#
# Windows build: one folder velmora-VERSION holding both programs, a Japanese
# read-me, the licence and the third-party notices, all texts in the form
# Notepad reads everywhere; the package target zips it as
# velmora-VERSION-win64.zip.
#
# Linux build: the converter and its manual page; given VELMORA_WINDOWS_BUILD,
# the build folder of the Windows preset, also the window program with a
# launcher that runs it under Wine, a desktop entry and the icon.

if(WIN32)
  set(package_folder velmora-${PROJECT_VERSION})
  set(texts ${CMAKE_BINARY_DIR}/package-texts)
  set(text_script ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake)

  # The libraries compiled into the programs, with the Debian copyright file
  # of each. libspng's comes with Debian's libspng0 package.
  set(notice_titles
    "MinGW-w64 runtime and winpthreads"
    "GCC runtime libraries (libstdc++, libgcc)"
    "libjpeg-turbo"
    "libspng"
    "zlib"
    "GNU General Public License, version 3"
    "GNU General Public License, version 2"
    "GNU Lesser General Public License, version 2.1"
    "GNU Library General Public License, version 2")
  set(notice_files
    /usr/share/doc/mingw-w64-common/copyright
    /usr/share/doc/gcc-mingw-w64-base/copyright
    /usr/share/doc/libjpeg62-turbo/copyright
    /usr/share/doc/libspng0/copyright
    /usr/share/doc/libz-mingw-w64-dev/copyright
    /usr/share/common-licenses/GPL-3
    /usr/share/common-licenses/GPL-2
    /usr/share/common-licenses/LGPL-2.1
    /usr/share/common-licenses/LGPL-2)
  foreach(file ${notice_files})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} is missing: scripts/setup.sh installs the package that holds it")
    endif()
  endforeach()

  add_custom_command(OUTPUT ${texts}/README-ja.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${texts}/README-ja.txt -DINPUTS=${PROJECT_SOURCE_DIR}/docs/README-ja.txt
            -P ${text_script}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/README-ja.txt ${text_script})
  add_custom_command(OUTPUT ${texts}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${texts}/LICENSE.txt -DINPUTS=${PROJECT_SOURCE_DIR}/LICENSE -P ${text_script}
    DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE ${text_script})
  add_custom_command(OUTPUT ${texts}/THIRD-PARTY-NOTICES.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${texts}/THIRD-PARTY-NOTICES.txt
            -DPREAMBLE=${PROJECT_SOURCE_DIR}/docs/third-party-notices.txt
            "-DINPUTS=${notice_files}" "-DHEADINGS=${notice_titles}" -P ${text_script}
    DEPENDS ${notice_files} ${PROJECT_SOURCE_DIR}/docs/third-party-notices.txt ${text_script}
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
  install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/velmora-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(VELMORA_WINDOWS_BUILD "" CACHE PATH
    "Build folder of the windows preset, whose window program is installed with a Wine launcher")
  if(VELMORA_WINDOWS_BUILD)
    # The launcher finds the program and the Wine script beside each other in
    # lib/velmora, whatever the platform's library folder is called.
    install(PROGRAMS ${VELMORA_WINDOWS_BUILD}/ui/velmora.exe ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
      DESTINATION lib/velmora)
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/velmora-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
      RENAME velmora)
    install(FILES ${PROJECT_SOURCE_DIR}/res/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

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
      install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
      list(APPEND icons ${icon})
      math(EXPR frame "${frame} + 1")
    endforeach()
    add_custom_target(desktop_icons ALL DEPENDS ${icons})
  endif()
endif()
