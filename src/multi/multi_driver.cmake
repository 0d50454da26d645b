# The two-device 64-channel set.
target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/multi_driver.cpp)
