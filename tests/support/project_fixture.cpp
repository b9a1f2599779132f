#include "project_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <stdexcept>

namespace quarvelin::testing {

TempDirectory::TempDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quarvelin-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDirectory::~TempDirectory() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path BuildDirectory() {
  if (const char* dir = std::getenv("QUARVELIN_BUILD_DIR")) return dir;
  return QUARVELIN_BINARY_DIR;
}

std::filesystem::path SourceDirectory() { return QUARVELIN_SOURCE_DIR; }

namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted.push_back(c);
  }
  quoted.push_back('\'');
  return quoted;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  TempDirectory capture;
  std::string command = ShellQuoted((BuildDirectory() / program).string());
  for (const std::string& a : arguments) {
    command.push_back(' ');
    command += ShellQuoted(a);
  }
  const std::filesystem::path out = capture.path() / "out", err = capture.path() / "err";
  command += " >";
  command += ShellQuoted(out.string());
  command += " 2>";
  command += ShellQuoted(err.string());
  command += " </dev/null";
  ProgramResult result;
  int raw = std::system(command.c_str());
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = ReadFileBytes(out);
  result.err = ReadFileBytes(err);
  return result;
}

}  // namespace quarvelin::testing
