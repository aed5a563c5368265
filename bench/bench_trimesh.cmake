# The triangle-mesh benchmark links the collision library only.
target_link_libraries(${name} PRIVATE physics_collision)
