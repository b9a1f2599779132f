// What the fuzz targets share: a scratch folder of their own for the files
// the readers and the build take by path, and a way to stop on a broken
// invariant that libFuzzer records as a crash with its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quarvelin::fuzz {

// A folder made on first use and removed when the process exits.
const std::filesystem::path& ScratchFolder();

// Writes the input to `name` in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);

// Prints the fault and aborts, so that the input is kept as a crash.
[[noreturn]] void Fail(const std::string& what);

}  // namespace quarvelin::fuzz
