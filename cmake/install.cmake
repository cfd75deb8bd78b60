# What `cmake --install` puts where, and the Debian package CPack builds from
# it. Only the three programs, the settings description, the man pages, the
# README's picture and the renderer's JSON description are installed: tests,
# benchmarks and helper programs stay in the build tree.
#
#   quillmoor          <libexecdir>/xscreensaver/   where XScreenSaver looks for its hacks
#   quillmoor-render   <bindir>
#   quillmoor-wayland  <bindir>
#   quillmoor.xml      <datadir>/xscreensaver/config/   the settings dialog's description
#   quillmoor.6        <mandir>/man6   (XScreenSaver's hacks document themselves in section 6)
#   quillmoor-render.1 <mandir>/man1
#   quillmoor-wayland.1 <mandir>/man1
#   quillmoor.png      <docdir>
#   state-json.md      <docdir>   the renderer's state JSON, key by key
include(GNUInstallDirs)

install(TARGETS quillmoor RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(TARGETS quillmoor-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quillmoor-wayland RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/quillmoor.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES docs/man/quillmoor.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES docs/man/quillmoor-render.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES docs/man/quillmoor-wayland.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES docs/quillmoor.png docs/state-json.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
include(CPack)
