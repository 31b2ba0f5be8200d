// What the fuzz targets share: a scratch folder of their own and the input written to a file,
// for the readers that take a path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A folder for this process, created once, ending in "/".
const std::string& Scratch();
// Writes the input to Scratch() + name and gives the path.
std::string WriteInput(const std::string& name, const uint8_t* data, size_t size);
// Reads a little-endian number from the front of the input and advances past it (0 when short).
int64_t TakeInt(const uint8_t*& data, size_t& size, size_t bytes);

}  // namespace fuzz
