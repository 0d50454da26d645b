# A loopback TCP peer that stands in for the Bluetooth bridge.
target_sources(zav_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/loopback_bridge.cpp)
