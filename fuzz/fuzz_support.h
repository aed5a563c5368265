#pragma once
// Shared by the fuzz targets: a per-process scratch file that each input is written to, for the
// readers that take a path, and the check that turns a broken property into a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

/// Writes the input to this process's scratch file with the given extension and returns its path.
const std::string& WriteScratch(const std::uint8_t* data, std::size_t size, const char* extension);

/// This process's scratch folder (created on first use, removed at exit).
const std::string& ScratchFolder();

/// The bytes of a file ("" when it cannot be read).
std::vector<std::uint8_t> ReadFile(const std::string& path);

/// A property of the reader that must hold for every input: when it does not, the target stops
/// with `what` on stderr, and libFuzzer keeps the input.
void Require(bool holds, const char* what);

}  // namespace fuzz
