# The roaming cat's ground, its controller and its panel.
kp_add_test(desktop_roam_tests GUI
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RoamTerrainTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RoamControllerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/RoamPanelTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RoamOutingsTest.cpp
  LIBS kp_desktop)

pkg_check_modules(KP_ROAM_PROBE_XCB REQUIRED IMPORTED_TARGET xcb)

# Two whole outings on a private display, with and without a compositor (roam_outing.sh).
add_executable(roam_outing_check ${CMAKE_CURRENT_LIST_DIR}/RoamOutingCheck.cpp)
target_link_libraries(roam_outing_check PRIVATE kp_desktop kp_island PkgConfig::KP_ROAM_PROBE_XCB kp_warnings)
target_include_directories(roam_outing_check PRIVATE ${CMAKE_SOURCE_DIR}/tests)
kp_add_script_test(roam_outing ${CMAKE_CURRENT_LIST_DIR}/roam_outing.sh)
# An outing during which the screen shrinks (roam_screen_change.sh).
kp_add_script_test(roam_screen_change ${CMAKE_CURRENT_LIST_DIR}/roam_screen_change.sh)
