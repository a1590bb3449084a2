# Installing and packaging. Linux: quarvel and quarvel-query, a menu entry and an icon, as a
# .deb (cpack -G DEB). Windows: the exe and the MinGW run-time DLLs it may need, as a .zip
# (cpack -G ZIP).
include(GNUInstallDirs)

if(WIN32)
  set(quarvel_program_dir .)  # everything beside the exe, at the top of the archive
else()
  set(quarvel_program_dir ${CMAKE_INSTALL_BINDIR})
endif()

foreach(program quarvel quarvel-query)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${quarvel_program_dir})
  endif()
endforeach()

if(WIN32)
  # A build that links the GCC run-time dynamically needs these beside the exe; the static
  # one (the windows preset) needs none.
  if(MINGW AND NOT CMAKE_EXE_LINKER_FLAGS MATCHES "(^| )-static( |$)")
    foreach(dll libgcc_s_dw2-1.dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                      OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(IS_ABSOLUTE "${dll_path}" AND EXISTS "${dll_path}")
        install(FILES "${dll_path}" DESTINATION ${quarvel_program_dir})
      endif()
    endforeach()
  endif()
else()
  install(FILES packaging/quarvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/quarvel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES packaging/quarvel.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
endif()

set(CPACK_PACKAGE_NAME quarvel)
set(CPACK_PACKAGE_VENDOR Quarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "Quarvel maintainers <quarvel@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quarvel-${PROJECT_VERSION}-win32)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quarvel_VERSION_ARCH.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Qt, libcurl, PCRE2 as the binaries need them
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Reads the frps dashboard API over HTTPS at start-up, shows seven server settings\n"
      "and the TCP and UDP remote ports in use, and answers whether a port is taken.\n"
      "quarvel is the Qt window; quarvel-query does the same on a terminal.")
endif()

include(CPack)
