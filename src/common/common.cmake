target_sources(zav_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/byte_order.h ${CMAKE_CURRENT_LIST_DIR}/diagnostics.h ${CMAKE_CURRENT_LIST_DIR}/block_format.h
  ${CMAKE_CURRENT_LIST_DIR}/text_fields.h)
