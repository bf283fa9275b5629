# The roaming cat's ground, its controller and its panel.
kp_add_test(desktop_roam_tests GUI
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RoamTerrainTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RoamControllerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/RoamCatModelTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RoamPanelTest.cpp
  LIBS kp_desktop)
