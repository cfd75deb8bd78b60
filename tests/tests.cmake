# Unit tests run the scene against the recording OpenGL; render tests run it
# through Mesa in a headless EGL context; end-to-end tests run the programs.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB QUILLMOOR_UNIT_TEST_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(quillmoor_unit_tests ${QUILLMOOR_UNIT_TEST_SOURCES} tests/support/recording_gl.cpp)
target_include_directories(quillmoor_unit_tests PRIVATE tests/support)
target_link_libraries(quillmoor_unit_tests PRIVATE quillmoor_scene quillmoor_linux_font GTest::gtest_main)
gtest_discover_tests(quillmoor_unit_tests DISCOVERY_TIMEOUT 60)

file(GLOB QUILLMOOR_RENDER_TEST_SOURCES CONFIGURE_DEPENDS tests/render/*.cpp)
add_executable(quillmoor_render_tests ${QUILLMOOR_RENDER_TEST_SOURCES})
target_include_directories(quillmoor_render_tests PRIVATE tests/support)
target_link_libraries(quillmoor_render_tests PRIVATE quillmoor_headless GTest::gtest_main)
target_compile_definitions(quillmoor_render_tests PRIVATE
  QUILLMOOR_RENDER_BIN="$<TARGET_FILE:quillmoor-render>")
add_dependencies(quillmoor_render_tests quillmoor-render)
gtest_discover_tests(quillmoor_render_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS render)

# The Windows saver under Wine on Xvfb; QUILLMOOR_SCR names the cross-built
# quillmoor.scr and QUILLMOOR_WIN_PROBE the Win32 probe built beside it.
set(QUILLMOOR_SCR "" CACHE FILEPATH "quillmoor.scr for the end-to-end tests under Wine")
set(QUILLMOOR_WIN_PROBE "" CACHE FILEPATH "the Win32 probe for the end-to-end tests under Wine")
if(QUILLMOOR_SCR)
  file(GLOB QUILLMOOR_WINE_TESTS CONFIGURE_DEPENDS tests/e2e/wine_*.sh)
  foreach(script ${QUILLMOOR_WINE_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e.${name}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/with_wine.sh ${script} ${QUILLMOOR_SCR} ${QUILLMOOR_WIN_PROBE})
    set_tests_properties(e2e.${name} PROPERTIES LABELS e2e TIMEOUT 600 RUN_SERIAL TRUE)
  endforeach()
endif()
