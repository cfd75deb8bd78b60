# Unit tests run the scene against the recording OpenGL; render tests run it
# through Mesa in a headless EGL context; end-to-end tests run the programs.
find_package(GTest REQUIRED)
include(GoogleTest)

# The include rules (README, "Include rules") over every #include of src/ and
# tools/; and the checker on a made-up tree with known rule breaks, so that a
# checker that no longer sees them fails.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME source.include_rules COMMAND ${Python3_EXECUTABLE}
  ${CMAKE_SOURCE_DIR}/tests/source/include_rules.py ${CMAKE_SOURCE_DIR})
add_test(NAME source.include_rules_self_test COMMAND ${Python3_EXECUTABLE}
  ${CMAKE_SOURCE_DIR}/tests/source/include_rules.py --self-test)
set_tests_properties(source.include_rules source.include_rules_self_test PROPERTIES LABELS source TIMEOUT 60)

add_executable(quillmoor_unit_tests
  tests/unit/allocation_counter.cpp tests/unit/allocation_test.cpp tests/unit/clock_dial_hands_test.cpp
  tests/unit/clock_lattice_test.cpp tests/unit/clock_numerals_test.cpp tests/unit/clock_pass_test.cpp
  tests/unit/countdown_drawing_test.cpp tests/unit/countdown_test.cpp tests/unit/curtain_build_test.cpp
  tests/unit/draw_gate_test.cpp
  tests/unit/curtain_draw_test.cpp tests/unit/frame_pacer_test.cpp tests/unit/frame_state_test.cpp
  tests/unit/frame_stream_test.cpp tests/unit/linux_font_geometry_test.cpp tests/unit/linux_font_test.cpp
  tests/unit/local_clock_test.cpp tests/unit/mode_test.cpp tests/unit/outline_font_test.cpp tests/unit/pointer_jump_test.cpp
  tests/unit/preview_handle_test.cpp tests/unit/random_test.cpp tests/unit/render_state_test.cpp
  tests/unit/scene_setup_test.cpp tests/unit/session_lock_test.cpp tests/unit/snow_flakes_test.cpp
  tests/unit/snow_ground_test.cpp tests/unit/stop_signals_test.cpp tests/unit/wayland_command_line_test.cpp
  tests/unit/web_page_test.cpp tests/unit/x11_command_line_test.cpp tests/unit/x11_visual_choice_test.cpp
  tests/support/recording_gl.cpp tests/support/random_draws.cpp)
target_include_directories(quillmoor_unit_tests PRIVATE tests/support)
# Every Random(int) passes through tests/support/random_draws.cpp, which can
# record the order of the draws.
target_link_options(quillmoor_unit_tests PRIVATE -Wl,--wrap=_Z6Randomi)
target_link_libraries(quillmoor_unit_tests PRIVATE quillmoor_scene_setup quillmoor_saver_input quillmoor_win32_core
  quillmoor_linux_font quillmoor_x11_core quillmoor_wayland_core quillmoor_web_core quillmoor_linux_session
  quillmoor_linux_signals quillmoor_visibility GTest::gtest_main)
gtest_discover_tests(quillmoor_unit_tests DISCOVERY_TIMEOUT 60)

add_executable(quillmoor_render_tests
  tests/render/clock_render_test.cpp tests/render/countdown_render_test.cpp
  tests/render/curtain_render_test.cpp tests/render/render_test.cpp tests/render/snow_render_test.cpp)
target_include_directories(quillmoor_render_tests PRIVATE tests/support)
# libpng reads the renderer's own PNGs back, as other programs will.
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(quillmoor_render_tests PRIVATE quillmoor_headless PkgConfig::PNG GTest::gtest_main)
# Failures of the deflate on the renderer's writer thread, put in with LD_PRELOAD.
add_library(quillmoor_deflate_faults MODULE tests/render/deflate_faults.cpp)
target_compile_definitions(quillmoor_render_tests PRIVATE
  QUILLMOOR_RENDER_BIN="$<TARGET_FILE:quillmoor-render>"
  QUILLMOOR_DEFLATE_FAULTS="$<TARGET_FILE:quillmoor_deflate_faults>")
add_dependencies(quillmoor_render_tests quillmoor-render quillmoor_deflate_faults)
gtest_discover_tests(quillmoor_render_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS render)

# The Windows saver under Wine on Xvfb; QUILLMOOR_SCR names the cross-built
# quillmoor.scr and QUILLMOOR_WIN_PROBE the Win32 probe built beside it. One
# Wine prefix is booted for the whole run (a fixture) and each script runs in
# it with its own Xvfb and wineserver; the scripts run one at a time.
set(QUILLMOOR_SCR "" CACHE FILEPATH "quillmoor.scr for the end-to-end tests under Wine")
set(QUILLMOOR_WIN_PROBE "" CACHE FILEPATH "the Win32 probe for the end-to-end tests under Wine")
# The installer and the zip built beside the saver, for wine_installer.sh.
set(QUILLMOOR_SETUP "" CACHE FILEPATH "quillmoor-<version>-setup.exe for the end-to-end tests under Wine")
set(QUILLMOOR_WINDOWS_ZIP "" CACHE FILEPATH "quillmoor-<version>-windows-x64.zip for the end-to-end tests")
if(QUILLMOOR_SCR)
  if(NOT QUILLMOOR_WIN_PROBE)
    message(FATAL_ERROR "QUILLMOOR_SCR is set: set QUILLMOOR_WIN_PROBE to win_probe.exe as well")
  endif()
  if(NOT QUILLMOOR_SETUP OR NOT QUILLMOOR_WINDOWS_ZIP)
    message(FATAL_ERROR "QUILLMOOR_SCR is set: set QUILLMOOR_SETUP and QUILLMOOR_WINDOWS_ZIP to the installer "
      "and the zip built beside it as well (they need Debian's nsis and zip: scripts/install-deps.sh test)")
  endif()
  set(wine_run ${CMAKE_SOURCE_DIR}/tests/e2e/with_wine.sh)
  set(wine_prefix ${CMAKE_BINARY_DIR}/e2e-wine/prefix)
  set(wine_out ${CMAKE_BINARY_DIR}/e2e-wine/out)

  add_test(NAME e2e.wine_prefix_setup COMMAND bash ${wine_run} --make-prefix ${wine_prefix})
  set_tests_properties(e2e.wine_prefix_setup PROPERTIES
    FIXTURES_SETUP wine_prefix LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
  add_test(NAME e2e.wine_prefix_cleanup COMMAND bash ${wine_run} --remove-prefix ${wine_prefix})
  set_tests_properties(e2e.wine_prefix_cleanup PROPERTIES
    FIXTURES_CLEANUP wine_prefix LABELS e2e RUN_SERIAL TRUE)

  file(GLOB QUILLMOOR_WINE_TESTS CONFIGURE_DEPENDS tests/e2e/wine_*.sh)
  list(FILTER QUILLMOOR_WINE_TESTS EXCLUDE REGEX "/wine_monitors\\.sh$")
  foreach(script ${QUILLMOOR_WINE_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e.${name}
      COMMAND bash ${wine_run} --prefix ${wine_prefix} --out ${wine_out}
        ${script} ${QUILLMOOR_SCR} ${QUILLMOOR_WIN_PROBE})
    set_tests_properties(e2e.${name} PROPERTIES
      FIXTURES_REQUIRED wine_prefix LABELS e2e TIMEOUT 600 RUN_SERIAL TRUE
      ENVIRONMENT "QUILLMOOR_SETUP=${QUILLMOOR_SETUP};QUILLMOOR_WINDOWS_ZIP=${QUILLMOOR_WINDOWS_ZIP}")
  endforeach()
  # The installer's script installs and removes the saver some forty times,
  # some of them through the setup's pages at a reader's pace.
  set_tests_properties(e2e.wine_installer PROPERTIES TIMEOUT 1200)

  # Monitors as Xinerama heads of a Xephyr server, the first the primary:
  # one alone; a 1280x720 primary with a 1024x768 second monitor right of
  # it, left of it, above it, overlapping it, or mirroring it at the same
  # place and size; and three, one above the primary and one right of it.
  set(heads_one "1280x720+0+0")
  set(heads_second_right "1280x720+0+0 1024x768+1280+0")
  set(heads_second_left "1280x720+1024+0 1024x768+0+0")
  set(heads_second_above "1280x720+0+768 1024x768+0+0")
  set(heads_overlapping "1280x720+0+0 1024x768+640+0")
  set(heads_mirrored "1280x720+0+0 1280x720+0+0")
  set(heads_three "1280x720+0+768 1024x768+0+0 800x600+1280+768")
  foreach(layout one second_right second_left second_above overlapping mirrored three)
    add_test(NAME e2e.wine_monitors_${layout}
      COMMAND bash ${wine_run} --prefix ${wine_prefix} --out ${wine_out}/monitors_${layout} --heads ${heads_${layout}}
        ${CMAKE_SOURCE_DIR}/tests/e2e/wine_monitors.sh ${QUILLMOOR_SCR} ${QUILLMOOR_WIN_PROBE})
    set_tests_properties(e2e.wine_monitors_${layout} PROPERTIES
      FIXTURES_REQUIRED wine_prefix LABELS e2e TIMEOUT 600 RUN_SERIAL TRUE)
  endforeach()
endif()

# The X11 saver on an Xvfb server of each script's own, with GLX on Mesa;
# x11_probe makes a window to draw into and tells when the saver has handled
# its input. The scripts run one at a time: each holds the pointer and keyboard
# of its own server, but the CPU is shared with the saver's frames.
add_executable(x11_probe tests/e2e/probe/x11_probe.cpp)
target_link_libraries(x11_probe PRIVATE X11::X11)
# Preloaded into the X11 and Wayland savers (found beside the probes): every
# buffer filled green after each swap, so that a frame's undrawn pixels show.
add_library(fill_after_swap SHARED tests/e2e/probe/fill_after_swap.c)
target_link_libraries(fill_after_swap PRIVATE OpenGL::OpenGL ${CMAKE_DL_LIBS})
set_target_properties(fill_after_swap PROPERTIES PREFIX "")
# Preloaded into the X11 saver (found beside the probe) where a change of the
# layout must reach it by RandR's events alone: the root's ConfigureNotify hidden.
add_library(no_root_configure SHARED tests/e2e/probe/no_root_configure.c)
target_link_libraries(no_root_configure PRIVATE X11::X11 ${CMAKE_DL_LIBS})
set_target_properties(no_root_configure PROPERTIES PREFIX "")
add_dependencies(x11_probe no_root_configure)
file(GLOB QUILLMOOR_X11_E2E_TESTS CONFIGURE_DEPENDS tests/e2e/x11_*.sh)
foreach(script ${QUILLMOOR_X11_E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e.${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/with_xvfb.sh --out ${CMAKE_BINARY_DIR}/e2e-x11/out
      ${script} $<TARGET_FILE:quillmoor> $<TARGET_FILE:x11_probe>)
  set_tests_properties(e2e.${name} PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
endforeach()

# The Wayland saver on a headless compositor of each script's own: sway
# (wlroots, with the layer shell), or Weston (without) for the scripts named
# *_weston.sh; wayland_pointer gives sway's seat a pointer to move.
add_executable(wayland_pointer tests/e2e/probe/wayland_pointer.c)
target_link_libraries(wayland_pointer PRIVATE PkgConfig::WAYLAND)
file(GLOB QUILLMOOR_WAYLAND_E2E_TESTS CONFIGURE_DEPENDS tests/e2e/wayland_*.sh)
foreach(script ${QUILLMOOR_WAYLAND_E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  set(compositor "")
  if(name MATCHES "_weston$")
    set(compositor --weston)
  endif()
  add_test(NAME e2e.${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/with_compositor.sh ${compositor}
      --out ${CMAKE_BINARY_DIR}/e2e-wayland/out ${script} $<TARGET_FILE:quillmoor-wayland>
      $<TARGET_FILE:wayland_pointer>)
  set_tests_properties(e2e.${name} PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
endforeach()

# The web page in headless Chromium against the renderer's pictures, when QUILLMOOR_HTML names one.
if(QUILLMOOR_HTML)
  add_test(NAME e2e.web_page COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/web_page.py ${QUILLMOOR_HTML}
    $<TARGET_FILE:quillmoor-render> ${CMAKE_BINARY_DIR}/e2e-web/out)
  set_tests_properties(e2e.web_page PROPERTIES LABELS e2e TIMEOUT 300)
endif()

# The Debian package: built by CPack from this build into a folder of its own,
# listed, unpacked and run.
add_test(NAME package.deb COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/deb.sh ${CMAKE_BINARY_DIR})
set_tests_properties(package.deb PROPERTIES LABELS package TIMEOUT 300)

# The release command in throwaway checkouts, its builds replaced by programs
# that fail at each step in turn.
add_test(NAME package.release COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/release.sh)
set_tests_properties(package.release PROPERTIES LABELS package TIMEOUT 120)

# The OpenGL 1.1 layer of the web build, natively on Mesa's OpenGL ES 3: the
# scene through it against the renderer's picture, and what the scene does not
# show.
add_executable(quillmoor_gl11_tests tests/gl11/gl11_picture_test.cpp tests/gl11/gl11_semantics_test.cpp
  tests/gl11/outline_glyphs_on_layer.cpp)
target_link_libraries(quillmoor_gl11_tests PRIVATE quillmoor_scene_setup_gl11 quillmoor_gl11 quillmoor_host_time quillmoor_linux_font quillmoor_linux_egl
  PkgConfig::PNG GTest::gtest_main)
target_compile_definitions(quillmoor_gl11_tests PRIVATE QUILLMOOR_RENDER_BIN="$<TARGET_FILE:quillmoor-render>"
  QUILLMOOR_GL11_OUT="${CMAKE_BINARY_DIR}/gl11-pictures")
add_dependencies(quillmoor_gl11_tests quillmoor-render)
gtest_discover_tests(quillmoor_gl11_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS render)

# The Wayland saver's seat input against a compositor in the test process
# (libwayland-server) that scripts event orders no real compositor makes.
pkg_check_modules(WAYLAND_SERVER REQUIRED IMPORTED_TARGET wayland-server)
set(scripted_generated ${CMAKE_BINARY_DIR}/generated/wayland-server)
foreach(xml ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
            ${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml)
  get_filename_component(name ${xml} NAME_WE)
  add_custom_command(OUTPUT ${scripted_generated}/${name}-server-protocol.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${scripted_generated}
    COMMAND ${WAYLAND_SCANNER} server-header ${xml} ${scripted_generated}/${name}-server-protocol.h
    DEPENDS ${xml} VERBATIM)
  list(APPEND scripted_headers ${scripted_generated}/${name}-server-protocol.h)
endforeach()
add_executable(quillmoor_wayland_input_tests tests/unit/wayland_seat_input_test.cpp
  tests/support/scripted_compositor.cpp ${scripted_headers}
  src/host/wayland/seat_input.cpp src/host/wayland/wayland_connection.cpp)
target_include_directories(quillmoor_wayland_input_tests PRIVATE tests/support ${scripted_generated})
target_link_libraries(quillmoor_wayland_input_tests PRIVATE quillmoor_wayland_protocols quillmoor_wayland_core quillmoor_saver_input
  quillmoor_linux_session quillmoor_linux_options quillmoor_host_text PkgConfig::WAYLAND_SERVER GTest::gtest_main)
gtest_discover_tests(quillmoor_wayland_input_tests DISCOVERY_TIMEOUT 60)

# The sanitizer build's runs of the unit, layer and render tests (and of the
# renderer they start, which inherits the environment). The discovered tests
# are known only when ctest runs, so their environment is set by a file ctest
# reads after the lists gtest_discover_tests wrote.
if(QUILLMOOR_SANITIZE)
  set(sanitizers ${CMAKE_SOURCE_DIR}/tests/sanitizers)
  set(QUILLMOOR_SANITIZER_ENVIRONMENT
    # verify_asan_link_order=0: the render tests put libraries before the
    # sanitizer's runtime with LD_PRELOAD (fiu-run's fault injection, the
    # deflate faults), which it would otherwise refuse to start with.
    "ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:verify_asan_link_order=0"
    "LSAN_OPTIONS=suppressions=${sanitizers}/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/sanitizer_environment.cmake CONTENT
    "set_tests_properties(\${quillmoor_unit_tests_TESTS} \${quillmoor_render_tests_TESTS} \${quillmoor_gl11_tests_TESTS}
  \${quillmoor_wayland_input_tests_TESTS}
  PROPERTIES ENVIRONMENT \"${QUILLMOOR_SANITIZER_ENVIRONMENT}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/sanitizer_environment.cmake)
  foreach(program quillmoor-render quillmoor_render_tests quillmoor_gl11_tests)
    target_sources(${program} PRIVATE tests/sanitizers/keep_libraries_mapped.c)
    target_link_options(${program} PRIVATE -Wl,--export-dynamic-symbol=dlclose)
  endforeach()
endif()
