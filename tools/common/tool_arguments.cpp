#include "tool_arguments.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "version/build_version.h"

namespace quarvelin {

bool ParseToolArguments(int argc, char** argv, const std::set<std::string>& valueOptions,
                        const std::set<std::string>& flagOptions, ToolArguments& arguments, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      arguments.help = true;
      continue;
    }
    if (arg == "--version") {
      arguments.version = true;
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

bool PrintHelpOrVersion(const ToolArguments& arguments, const char* program, const char* usage) {
  if (arguments.help) std::fputs(usage, stdout);
  else if (arguments.version) std::fputs(VersionText(program).c_str(), stdout);
  return arguments.help || arguments.version;
}

bool ParseFiniteNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && stop == end && std::isfinite(value);
}

bool ParsePositiveNumber(const std::string& text, double& value) { return ParseFiniteNumber(text, value) && value > 0; }

int ToolUsageError(const char* program, const std::string& what) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, what.c_str(), program);
  return 2;
}

int ToolFailure(const char* program, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", program, what.c_str());
  return 1;
}

}  // namespace quarvelin
