#pragma once
// Shared by the fuzz targets: a per-process scratch file that each input is written to, for the
// readers that take a path.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

/// Writes the input to this process's scratch file with the given extension and returns its path.
const std::string& WriteScratch(const std::uint8_t* data, std::size_t size, const char* extension);

/// This process's scratch folder (created on first use, removed at exit).
const std::string& ScratchFolder();

}  // namespace fuzz
