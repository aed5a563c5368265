# The convex benchmark links the collision library.
target_link_libraries(${name} PRIVATE physics_collision)
