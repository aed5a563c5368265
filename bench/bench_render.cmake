target_link_libraries(${name} PRIVATE engine_render)
