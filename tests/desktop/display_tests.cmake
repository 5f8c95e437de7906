# The window on a high-resolution screen (scale factor 2) and the choice of windowing
# platform under a real Wayland compositor (weston) beside Xvfb; included by CMakeLists.txt.
add_test(NAME desktop.hidpi
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hidpi_test.sh $<TARGET_FILE:quorvane>
          ${CMAKE_CURRENT_BINARY_DIR}/artifacts)
add_test(NAME desktop.platform
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/platform_test.sh $<TARGET_FILE:quorvane>
          ${CMAKE_CURRENT_BINARY_DIR}/artifacts)
set_tests_properties(desktop.hidpi desktop.platform PROPERTIES
  LABELS desktop
  TIMEOUT 60)
