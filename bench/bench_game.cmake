target_link_libraries(${name} PRIVATE corvane_game_driver)
corvane_append_media(${name})
