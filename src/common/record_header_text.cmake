target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/record_header_text.cpp)
