#pragma once
/// WORLDVEHICLE: what world code reads of a vehicle without knowing the vehicle classes (they
/// live in a higher layer). The vehicle base implements it beside its node chain; world code
/// reaches it by dynamic_cast from the vehicle's node.

#include <cstdint>

class WORLDVEHICLE {
public:
    virtual ~WORLDVEHICLE() = default;
    /// 0 hidden, 1 first person (the player is inside), 2 seen from outside.
    virtual std::uint32_t GetViewMode() const = 0;
    /// Builds or tears down the vehicle's views around the new mode.
    virtual void SetViewMode(std::uint32_t /*mode*/) {}
};
