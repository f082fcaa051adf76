# What a site installs, and the packages made of it (scripts/package):
#   Linux:   a Debian package (CPack DEB) of the Release build: the programs
#            in /opt/zelwrkjob/bin, the docs in /opt/zelwrkjob/doc, the
#            systemd units of the nightly run in /lib/systemd/system (not
#            enabled), the cron example in /opt/zelwrkjob/examples, and what
#            Debian keeps in /usr/share: the manual pages, the copyright
#            file, the changelog and lintian's overrides;
#   Windows: a zip (CPack ZIP) of the .exe files, the SQL shell
#            sqlite3.exe, the operator README for Windows, the Task Scheduler
#            script zelwrkjob-task.ps1 and the docs (all CR LF, for Notepad).
# zelbench and the test programs are for the developers and stay out.

set(ZEL_INSTALLED_PROGRAMS zelwrkjob zelrun zelcfg zelsetup zeldnlstd)
set(CPACK_PACKAGE_NAME zelwrkjob)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZelWrkJob")
# The packages' maintainer (Debian's Maintainer field and the changelog's
# sign-off): whoever builds and hands out a package answers for it, so a
# site that builds its own names itself (cmake -DZEL_PACKAGE_MAINTAINER=...,
# or Debian's DEBFULLNAME and DEBEMAIL in the environment). The team has no
# public address; without either, the field says so with a domain reserved
# never to receive mail (.invalid).
set(ZEL_PACKAGE_MAINTAINER "" CACHE STRING
  "Maintainer of the Debian package, \"Name <address>\" (empty: DEBFULLNAME <DEBEMAIL>, else the team without an address)")
if(NOT ZEL_PACKAGE_MAINTAINER STREQUAL "")
  set(zel_maintainer "${ZEL_PACKAGE_MAINTAINER}")
elseif(NOT "$ENV{DEBFULLNAME}" STREQUAL "" AND NOT "$ENV{DEBEMAIL}" STREQUAL "")
  set(zel_maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(zel_maintainer "ZelWrkJob team <no-address@zelwrkjob.invalid>")
endif()
set(CPACK_PACKAGE_CONTACT "${zel_maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Nightly batch job updating the download table of a time-attendance system")
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
  # What Debian looks for in /usr/share, wherever the programs are: the
  # manual pages (where man finds them), the copyright file, the changelog
  # and the overrides of lintian's checks, each with its reason. The pages
  # and the changelog are compressed as Debian has them (gzip -9, no name or
  # time in the header, so that the same source gives the same package).
  set(zel_pkg ${CMAKE_BINARY_DIR}/packaging/deb)
  file(MAKE_DIRECTORY ${zel_pkg})
  file(GLOB zel_man_pages ${CMAKE_SOURCE_DIR}/packaging/man/*.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zel_man_pages})
  foreach(page IN LISTS zel_man_pages)
    get_filename_component(name ${page} NAME)
    execute_process(COMMAND gzip -9 -n -c ${page} OUTPUT_FILE ${zel_pkg}/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${zel_pkg}/${name}.gz DESTINATION /usr/share/man/man1)
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/changelog ${zel_pkg}/changelog @ONLY)
  execute_process(COMMAND gzip -9 -n -c ${zel_pkg}/changelog OUTPUT_FILE ${zel_pkg}/changelog.gz
                  COMMAND_ERROR_IS_FATAL ANY)
  # A package whose version has no Debian revision (1.0.0) is a native one,
  # and Debian names its changelog changelog.gz.
  install(FILES ${zel_pkg}/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/debian/copyright
          DESTINATION /usr/share/doc/zelwrkjob)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/lintian-overrides
          DESTINATION /usr/share/lintian/overrides RENAME zelwrkjob)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
zelwrkjob keeps the per-person download table Mvs510Prv in line with the
personnel master data (badge assignments, persons, employment periods,
daily cost centres, calendar), marks each row whose change the terminals
must learn of, writes its changes and failures to two logs and starts the
download program. zelrun runs it for cron or systemd: it checks the
installation first, keeps two runs apart and ends with an exit code that
tells how the run went. zelcfg writes the enciphered configuration file,
zelsetup creates the database (SQLite, PostgreSQL or ODBC).

The programs go to /opt/zelwrkjob/bin and the documentation to
/opt/zelwrkjob/doc; the systemd timer of the nightly run is installed,
not enabled.]=])
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
