# The roaming cat's physics, pointer handling, frame tick and drawings.
kp_add_test(desktop_physics_tests GUI
            SOURCES DesktopPhysicsTest.cpp DesktopPointerTest.cpp DesktopFrameTest.cpp DesktopViewTest.cpp
            LIBS kp_desktop)
