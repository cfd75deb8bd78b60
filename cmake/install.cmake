# What `cmake --install` puts where, and the Debian package CPack builds from
# it. Only the three programs, the settings description, the man pages, the
# README's picture, the renderer's JSON description and the licence and
# changelog are installed: tests, benchmarks and helper programs stay in the
# build tree.
#
#   quillmoor          <libexecdir>/xscreensaver/   where XScreenSaver looks for its hacks
#   quillmoor-render   <bindir>
#   quillmoor-wayland  <bindir>
#   quillmoor.xml      <datadir>/xscreensaver/config/   the settings dialog's description
#   quillmoor.html     <datadir>/quillmoor/   the web page, opened from disk by a browser or a
#                      web-view host (when QUILLMOOR_HTML names a built one)
#   quillmoor.desktop  <datadir>/applications/screensavers/   MATE's screen saver's themes
#   quillmoor.6.gz     <mandir>/man6   (XScreenSaver's hacks document themselves in section 6)
#   quillmoor-render.1.gz  <mandir>/man1
#   quillmoor-wayland.1.gz <mandir>/man1
#   quillmoor.png      <docdir>
#   state-json.md      <docdir>   the renderer's state JSON, key by key
#   copyright          <docdir>   the licence, in Debian's machine-readable form
#   changelog.gz       <docdir>   the Debian changelog of this version
include(GNUInstallDirs)
find_program(QUILLMOOR_GZIP gzip REQUIRED)

# quillmoor_install_program(TARGET DESTINATION): installs the program, without
# the .comment section the compiler and the C library's start-up files leave
# in it (their version strings, which nothing reads).
function(quillmoor_install_program target destination)
  install(TARGETS ${target} RUNTIME DESTINATION ${destination})
  if(IS_ABSOLUTE "${destination}")
    set(installed "${destination}/$<TARGET_FILE_NAME:${target}>")
  else()
    set(installed "\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>")
  endif()
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section .comment
    \"\$ENV{DESTDIR}${installed}\" COMMAND_ERROR_IS_FATAL ANY)")
endfunction()

# quillmoor_gzip(SOURCE VARIABLE): compresses SOURCE at build time with gzip
# -9n, as Debian wants its man pages and changelogs: the best compression, and
# neither the file's name nor its time in the header, so that the same source
# always gives the same bytes. Sets VARIABLE to the compressed file,
# <build>/gz/NAME.gz.
function(quillmoor_gzip source variable)
  get_filename_component(name "${source}" NAME)
  set(plain "${CMAKE_BINARY_DIR}/gz/${name}")
  add_custom_command(OUTPUT "${plain}.gz"
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${plain}"
    COMMAND "${QUILLMOOR_GZIP}" -9nf "${plain}"
    DEPENDS "${source}" VERBATIM)
  add_custom_target(gzip_${name} ALL DEPENDS "${plain}.gz")
  set(${variable} "${plain}.gz" PARENT_SCOPE)
endfunction()

# quillmoor_install_man_page(PAGE): installs PAGE (NAME.SECTION, relative to
# the sources) in <mandir>/manSECTION, compressed.
function(quillmoor_install_man_page page)
  get_filename_component(name "${page}" NAME)
  string(REGEX MATCH "[1-9]$" section "${name}")
  if(NOT section)
    message(FATAL_ERROR "${page}: a man page's name ends in its section")
  endif()
  quillmoor_gzip("${CMAKE_SOURCE_DIR}/${page}" compressed)
  install(FILES "${compressed}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

quillmoor_install_program(quillmoor ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
quillmoor_install_program(quillmoor-render ${CMAKE_INSTALL_BINDIR})
quillmoor_install_program(quillmoor-wayland ${CMAKE_INSTALL_BINDIR})
install(FILES data/quillmoor.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
# MATE's screen saver runs a theme's Exec only from its saver folders, so the
# entry names the hack by its full path, which is known only as the files are
# installed (CPack installs to /usr whatever the build's prefix).
install(CODE "set(QUILLMOOR_HACK \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver/quillmoor\")
  configure_file(\"${CMAKE_SOURCE_DIR}/data/quillmoor.desktop.in\" \"${CMAKE_BINARY_DIR}/desktop/quillmoor.desktop\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/desktop/quillmoor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers)
quillmoor_install_man_page(docs/man/quillmoor.6)
quillmoor_install_man_page(docs/man/quillmoor-render.1)
quillmoor_install_man_page(docs/man/quillmoor-wayland.1)
install(FILES docs/quillmoor.png docs/state-json.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(QUILLMOOR_HTML)
  install(FILES ${QUILLMOOR_HTML} DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmoor)
  # lintian takes any .html outside the doc folder for documentation.
  install(FILES cmake/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
    RENAME quillmoor)
endif()

# `cpack -G DEB` in the build folder: quillmoor_<version>_<arch>.deb for /usr.
# Its Depends come from dpkg-shlibdeps (dpkg-dev), so they name exactly the
# libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmoor developers")
set(CPACK_PACKAGE_CONTACT "Quillmoor developers <dev@quillmoor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "snowflake clock screen saver for X11 and XScreenSaver")
# The long description, wrapped as Debian's control files want it.
set(CPACK_PACKAGE_DESCRIPTION [=[An OpenGL screen saver: a clock built from snowflake cells tells the
local time, two hundred and one 3D snowflakes fall around it, a rippling
colour curtain hangs behind it over a white ground, and swaying 3D text
counts down to Christmas or New Year.
It runs as an XScreenSaver hack, or full screen on its own; on Wayland
quillmoor-wayland runs it for idle daemons, as a lock-screen background or
as a wallpaper; and quillmoor-render draws the same scene into a PNG with no
display.]=])
if(QUILLMOOR_HTML)
  string(APPEND CPACK_PACKAGE_DESCRIPTION "
/usr/share/quillmoor/quillmoor.html shows it in any web browser with WebGL 2,
as a web page, a web-view screen saver or a wallpaper.")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)

# The package's copyright file, made from LICENSE: its copyright line, and
# its terms as the licence's text (each line indented, blank lines as ".").
file(READ ${CMAKE_SOURCE_DIR}/LICENSE licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${licence}")
set(QUILLMOOR_COPYRIGHT "${CMAKE_MATCH_1}")
string(FIND "${licence}" "Permission is hereby granted" terms_start)
string(SUBSTRING "${licence}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " QUILLMOOR_LICENCE_TERMS " ${terms}")
configure_file(cmake/debian/copyright.in debian/copyright @ONLY)
# A native package's changelog: one entry, for this version.
configure_file(cmake/debian/changelog.in debian/changelog @ONLY)
quillmoor_gzip(${CMAKE_BINARY_DIR}/debian/changelog changelog)
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
include(CPack)
