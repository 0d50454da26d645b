target_sources(zav_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/record_writer.cpp)
