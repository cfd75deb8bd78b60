# Windows: the saver (quillmoor.scr) and the Win32 probe the end-to-end tests
# drive it with. Both link the runtime statically, so they need no DLL beyond
# the system's and OpenGL's.
set(QUILLMOOR_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

enable_language(RC)

# The saver's resources: its name in the screen-saver list, version, icon and
# application manifest. The manifest carries the project's version; the
# resource script reads it from quillmoor_version.h.
set(QUILLMOOR_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/src/host/win32/resources)
configure_file(${QUILLMOOR_RESOURCE_DIR}/quillmoor.manifest.in ${CMAKE_BINARY_DIR}/generated/quillmoor.manifest @ONLY)
set_source_files_properties(${QUILLMOOR_RESOURCE_DIR}/quillmoor.rc PROPERTIES OBJECT_DEPENDS
  "${QUILLMOOR_RESOURCE_DIR}/quillmoor.ico;${CMAKE_BINARY_DIR}/generated/quillmoor.manifest;${QUILLMOOR_RESOURCE_DIR}/resource_ids.h")

add_executable(quillmoor WIN32 src/host/win32/application_window.cpp src/host/win32/dark_windows.cpp
  src/host/win32/main.cpp src/host/win32/preview_window.cpp src/host/win32/rendering_context.cpp
  src/host/win32/saver_window.cpp src/host/win32/win32_platform.cpp ${QUILLMOOR_RESOURCE_DIR}/quillmoor.rc)
set_target_properties(quillmoor PROPERTIES OUTPUT_NAME quillmoor SUFFIX .scr)
target_include_directories(quillmoor PRIVATE src ${QUILLMOOR_RESOURCE_DIR})
target_link_libraries(quillmoor PRIVATE quillmoor_scene_setup quillmoor_scene quillmoor_saver_input quillmoor_win32_core
  quillmoor_visibility
  quillmoor_version opengl32 glu32 gdi32 user32 advapi32
  ${QUILLMOOR_STATIC_RUNTIME})
# A release build ships without symbols or debug sections (the static runtime
# brings most of them), and with no link time in its header, so that the same
# sources give the same file; the build says how big the saver came out.
target_link_options(quillmoor PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s> -Wl,--no-insert-timestamp)
add_custom_command(TARGET quillmoor POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:quillmoor> -P ${CMAKE_SOURCE_DIR}/cmake/print_file_size.cmake
  VERBATIM)

# Signed, when a code-signing certificate and its key are given (PEM files:
# scripts/build.sh dist passes QUILLMOOR_SIGN_CERT and QUILLMOOR_SIGN_KEY
# from its environment), by packaging/windows/sign.sh with osslsigncode; the
# installer and its uninstaller as well.
set(QUILLMOOR_SIGN_CERT "" CACHE FILEPATH "code-signing certificate (PEM) for the Windows programs")
set(QUILLMOOR_SIGN_KEY "" CACHE FILEPATH "its private key (PEM)")
set(QUILLMOOR_SIGN_DEFINES "")
if(QUILLMOOR_SIGN_CERT AND QUILLMOOR_SIGN_KEY)
  find_program(QUILLMOOR_OSSLSIGNCODE osslsigncode REQUIRED)
  add_custom_command(TARGET quillmoor POST_BUILD
    COMMAND sh ${CMAKE_SOURCE_DIR}/packaging/windows/sign.sh ${QUILLMOOR_SIGN_CERT} ${QUILLMOOR_SIGN_KEY}
      ${PROJECT_HOMEPAGE_URL} $<TARGET_FILE:quillmoor>
    VERBATIM)
  set(QUILLMOOR_SIGN_DEFINES -DSIGN_CERT=${QUILLMOOR_SIGN_CERT} -DSIGN_KEY=${QUILLMOOR_SIGN_KEY})
elseif(QUILLMOOR_SIGN_CERT OR QUILLMOOR_SIGN_KEY)
  message(FATAL_ERROR "signing needs both QUILLMOOR_SIGN_CERT and QUILLMOOR_SIGN_KEY")
endif()

add_executable(win_probe tests/e2e/probe/win_probe.cpp)
target_link_libraries(win_probe PRIVATE user32 gdi32 opengl32 version ${QUILLMOOR_STATIC_RUNTIME})

# Hooked by the probe into the saver's thread, it hands the saver's window a
# power setting change as the system sends it.
add_library(power_hook SHARED tests/e2e/probe/power_hook.cpp)
set_target_properties(power_hook PROPERTIES PREFIX "" SUFFIX .dll)
target_link_libraries(power_hook PRIVATE user32 ${QUILLMOOR_STATIC_RUNTIME})

# The password library's stand-in; the tests install it as PASSWORD.CPL.
add_library(password_double SHARED tests/e2e/probe/password_double.cpp)
set_target_properties(password_double PROPERTIES PREFIX "" SUFFIX .dll)
target_link_libraries(password_double PRIVATE user32 ${QUILLMOOR_STATIC_RUNTIME})

# The release's Windows files, beside the saver:
#   quillmoor-<version>-setup.exe        the installer, made by Debian's makensis
#                                        from packaging/windows/quillmoor.nsi
#   quillmoor-<version>-windows-x64.zip  the saver, the licence and a read-me, for
#                                        installing by hand
# Each only when its tool is there (scripts/install-deps.sh test, or dist);
# the saver alone needs neither. Both come out the same, byte for byte, from
# the same saver: no build time goes into them.
set(QUILLMOOR_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging/windows)
set(QUILLMOOR_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
# The licence and the read-me with Windows' line ends, for Notepad and the
# installer's licence page.
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${QUILLMOOR_RELEASE_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${QUILLMOOR_PACKAGING_DIR}/README.txt.in ${QUILLMOOR_RELEASE_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)

find_program(QUILLMOOR_MAKENSIS makensis)
if(QUILLMOOR_MAKENSIS)
  set(QUILLMOOR_SETUP ${CMAKE_BINARY_DIR}/quillmoor-${PROJECT_VERSION}-setup.exe)
  set(nsis_inputs ${QUILLMOOR_PACKAGING_DIR}/quillmoor.nsi ${QUILLMOOR_PACKAGING_DIR}/wizard.bmp
    ${QUILLMOOR_PACKAGING_DIR}/sign.sh ${QUILLMOOR_PACKAGING_DIR}/uninstaller_version.py
    ${QUILLMOOR_RESOURCE_DIR}/quillmoor.ico ${QUILLMOOR_RELEASE_DIR}/LICENSE.txt)
  add_custom_command(OUTPUT ${QUILLMOOR_SETUP}
    COMMAND ${QUILLMOOR_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DSCR=$<TARGET_FILE:quillmoor>
      -DICON=${QUILLMOOR_RESOURCE_DIR}/quillmoor.ico -DLICENSE=${QUILLMOOR_RELEASE_DIR}/LICENSE.txt
      -DWIZARD_BITMAP=${QUILLMOOR_PACKAGING_DIR}/wizard.bmp -DOUTFILE=${QUILLMOOR_SETUP}
      -DURL=${PROJECT_HOMEPAGE_URL} ${QUILLMOOR_SIGN_DEFINES}
      ${QUILLMOOR_PACKAGING_DIR}/quillmoor.nsi
    COMMAND ${CMAKE_COMMAND} -DFILE=${QUILLMOOR_SETUP} -P ${CMAKE_SOURCE_DIR}/cmake/print_file_size.cmake
    DEPENDS quillmoor ${nsis_inputs} VERBATIM)
  add_custom_target(quillmoor_setup ALL DEPENDS ${QUILLMOOR_SETUP})
else()
  message(STATUS "makensis not found: no installer (Debian's nsis)")
endif()

find_program(QUILLMOOR_ZIP zip)
if(QUILLMOOR_ZIP)
  set(QUILLMOOR_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/quillmoor-${PROJECT_VERSION}-windows-x64.zip)
  add_custom_command(OUTPUT ${QUILLMOOR_WINDOWS_ZIP}
    COMMAND ${CMAKE_COMMAND} -DZIP=${QUILLMOOR_ZIP} -DOUTPUT=${QUILLMOOR_WINDOWS_ZIP}
      -DSTAGE=${CMAKE_BINARY_DIR}/zip-stage "-DTIME=${QUILLMOOR_RELEASE_DATE}"
      "-DFILES=$<TARGET_FILE:quillmoor>;${QUILLMOOR_RELEASE_DIR}/LICENSE.txt;${QUILLMOOR_RELEASE_DIR}/README.txt"
      -P ${QUILLMOOR_PACKAGING_DIR}/zip.cmake
    COMMAND ${CMAKE_COMMAND} -DFILE=${QUILLMOOR_WINDOWS_ZIP} -P ${CMAKE_SOURCE_DIR}/cmake/print_file_size.cmake
    DEPENDS quillmoor ${QUILLMOOR_PACKAGING_DIR}/zip.cmake ${QUILLMOOR_RELEASE_DIR}/LICENSE.txt
      ${QUILLMOOR_RELEASE_DIR}/README.txt VERBATIM)
  add_custom_target(quillmoor_windows_zip ALL DEPENDS ${QUILLMOOR_WINDOWS_ZIP})
else()
  message(STATUS "zip not found: no zip of the saver")
endif()
