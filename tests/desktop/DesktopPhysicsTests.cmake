# The roaming cat's physics, pointer handling, frame tick and drawings.
kp_add_test(desktop_props_tests GUI SOURCES DesktopPropsTest.cpp LIBS kp_desktop)
kp_add_test(desktop_physics_tests GUI
            SOURCES DesktopPhysicsTest.cpp DesktopPointerTest.cpp DesktopFrameTest.cpp DesktopViewTest.cpp
            LIBS kp_desktop)
