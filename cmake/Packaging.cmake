# What a site installs, and the packages made of it (scripts/package):
#   Linux:   a Debian package (CPack DEB) of the Release build: the programs
#            in /opt/zelwrkjob/bin, the docs in /opt/zelwrkjob/doc, the
#            systemd units of the nightly run in /lib/systemd/system (not
#            enabled) and the cron example in /opt/zelwrkjob/examples;
#   Windows: a zip (CPack ZIP) of the .exe files, the SQL shell
#            sqlite3.exe, the operator README for Windows, the Task Scheduler
#            script zelwrkjob-task.ps1 and the docs (all CR LF, for Notepad).
# zelbench and the test programs are for the developers and stay out.

set(ZEL_INSTALLED_PROGRAMS zelwrkjob zelrun zelcfg zelsetup zeldnlstd)
set(CPACK_PACKAGE_NAME zelwrkjob)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZelWrkJob")
set(CPACK_PACKAGE_CONTACT "ZelWrkJob maintainers <zelwrkjob@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Batch job keeping the download table Mvs510Prv in line with personnel master data")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS ${ZEL_INSTALLED_PROGRAMS} RUNTIME DESTINATION .)
  # The SQL shell, built with the library from the same Debian source
  # (scripts/sqlite-windows), for docs\MASTERDATA.md's examples.
  install(PROGRAMS ${ZEL_SQLITE_DIR}/bin/sqlite3.exe DESTINATION .)
  # Every text file with Windows line ends (Notepad before Windows 10 1809
  # shows a file with bare line feeds as one line), written at configure
  # time: the operator README, the task script and the docs.
  function(zel_install_crlf source destination)
    file(READ ${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    get_filename_component(name ${source} NAME)
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/${destination}/${name} "${text}")
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${destination}/${name} DESTINATION ${destination})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  endfunction()
  zel_install_crlf(${CMAKE_SOURCE_DIR}/packaging/windows/README-Windows.txt .)
  zel_install_crlf(${CMAKE_SOURCE_DIR}/packaging/windows/zelwrkjob-task.ps1 .)
  zel_install_crlf(${CMAKE_SOURCE_DIR}/README.md docs)
  file(GLOB zel_docs ${CMAKE_SOURCE_DIR}/docs/*.md)
  foreach(doc ${zel_docs})
    zel_install_crlf(${doc} docs)
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "zelwrkjob-${PROJECT_VERSION}-windows-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  install(TARGETS ${ZEL_INSTALLED_PROGRAMS} RUNTIME DESTINATION bin)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION doc)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/README.md DESTINATION doc RENAME packaging.md)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION doc FILES_MATCHING PATTERN "*.md")
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/systemd/zelwrkjob.service
                ${CMAKE_SOURCE_DIR}/packaging/systemd/zelwrkjob.timer
          DESTINATION /lib/systemd/system)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/cron/zelwrkjob DESTINATION examples RENAME cron.d-zelwrkjob)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/zelwrkjob)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  # The library packages the programs link against (libsqlite3, libpq),
  # found by dpkg-shlibdeps from the programs themselves.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
    ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
