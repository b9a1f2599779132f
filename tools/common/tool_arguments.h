// Command lines of the host-side tools, in the manner of GDAL's programs:
// "--name value" or "--name=value", flags without values, positional
// arguments, and "--help" / "-h" and "--version" anywhere.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quarvelin {

struct ToolArguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // the last value of each option
  std::set<std::string> flags;
  bool help = false;
  bool version = false;

  bool Has(const std::string& option) const { return values.count(option) > 0 || flags.count(option) > 0; }
};

// False with `error` set for an unknown option, a flag given a value or an
// option without one.
bool ParseToolArguments(int argc, char** argv, const std::set<std::string>& valueOptions,
                        const std::set<std::string>& flagOptions, ToolArguments& arguments, std::string& error);

// Prints the usage text on stdout for --help, or the version for --version;
// true when it did, and the program ends there with status 0.
bool PrintHelpOrVersion(const ToolArguments& arguments, const char* program, const char* usage);

// A whole text that is a finite number.
bool ParseFiniteNumber(const std::string& text, double& value);
// A whole text that is a finite number greater than zero.
bool ParsePositiveNumber(const std::string& text, double& value);

// Prints "program: what" and the hint to --help on stderr; returns 2.
int ToolUsageError(const char* program, const std::string& what);
// Prints "program: what" on stderr; returns 1.
int ToolFailure(const char* program, const std::string& what);

}  // namespace quarvelin
