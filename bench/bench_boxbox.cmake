# The box-box benchmark times our box-box pair against ODE's box-box collider on the same poses.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ODE REQUIRED IMPORTED_TARGET ode)
target_link_libraries(${name} PRIVATE physics_collision PkgConfig::ODE)
