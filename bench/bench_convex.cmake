# The convex benchmark links the collision library and, as its yardstick, Bullet's collision
# library through pkg-config.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BULLET REQUIRED IMPORTED_TARGET bullet)
target_link_libraries(${name} PRIVATE physics_collision PkgConfig::BULLET)
