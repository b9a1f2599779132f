#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace quarvelin::fuzz {

namespace {

std::filesystem::path MakeScratch() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quarvelin-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) Fail("cannot make a scratch folder");
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(ScratchFolder(), ec);
  });
  return pattern;
}

}  // namespace

const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = MakeScratch();
  return folder;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = (ScratchFolder() / name).string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) Fail("cannot write " + path);
  return path;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace quarvelin::fuzz
