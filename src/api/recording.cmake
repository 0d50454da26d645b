target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/live_recorder.cpp)
