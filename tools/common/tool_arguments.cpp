#include "tool_arguments.h"

#include <chrono>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/system.h"

namespace quarvelin {

bool ParseToolArguments(int argc, char** argv, const std::set<std::string>& valueOptions,
                        const std::set<std::string>& flagOptions, ToolArguments& arguments, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      arguments.help = true;
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      arguments.positional.push_back(arg);
      continue;
    }
    std::string value;
    size_t eq = arg.find('=');
    bool inlineValue = eq != std::string::npos;
    if (inlineValue) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (flagOptions.count(arg)) {
      if (inlineValue) {
        error = "option " + arg + " takes no value";
        return false;
      }
      arguments.flags.insert(arg);
    } else if (valueOptions.count(arg)) {
      if (!inlineValue) {
        if (i + 1 >= argc) {
          error = "option " + arg + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      arguments.values[arg] = value;
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}

bool ParsePositiveNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && stop == end && std::isfinite(value) && value > 0;
}

int ToolUsageError(const char* program, const std::string& what) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, what.c_str(), program);
  return 2;
}

int ToolFailure(const char* program, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", program, what.c_str());
  return 1;
}

std::string BuildTimestamp(const std::string& projectDirectory) {
  namespace fs = std::filesystem;
  std::error_code ec;
  auto written = fs::last_write_time(ProjectFilePath(projectDirectory, "PMAP", "TIN.inf"), ec);
  auto time = ec ? std::chrono::system_clock::time_point{}
                 : std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                       std::chrono::file_clock::to_sys(written));
  auto seconds = std::chrono::floor<std::chrono::seconds>(time);
  auto day = std::chrono::floor<std::chrono::days>(seconds);
  std::chrono::year_month_day date(day);
  std::chrono::hh_mm_ss clock(seconds - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

}  // namespace quarvelin
