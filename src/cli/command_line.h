// The command lines of all the programs, in the manner of GDAL's: "--name
// value" or "--name=value", flags without values, operands (positional
// arguments), and "--help" ("-h") and "--version" wherever they stand. Each
// program describes its options once, in a table; the parser works from it
// and the --help text is made from it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvelin {

struct OptionSpec {
  std::string_view name;       // "--max-edge"
  std::string_view valueName;  // "METRES" in the help; empty for a flag
  // The help text, its lines already broken ('\n' between them).
  std::string_view help;
  std::string_view alias = {};  // another spelling, such as "-q"
  // Every value is kept, in order; otherwise the last one given counts.
  bool repeatable = false;
};

struct CommandLineSpec {
  std::string_view program;
  // The help text before the options: the usage lines and what the program
  // does, ending in a line feed.
  std::string_view synopsis;
  std::vector<OptionSpec> options;
  // The help text after the options (exit status and the like).
  std::string_view epilogue;
  // Whether arguments that are not options are operands; otherwise each is
  // a usage error.
  bool takesOperands = false;
};

class CommandLine {
 public:
  // Whether the option was given, by its name (not an alias).
  bool Has(std::string_view name) const { return given_.find(name) != given_.end(); }
  // The last value given to the option; empty when it was not given.
  const std::string& Value(std::string_view name) const;
  // Every value given to the option, in order.
  const std::vector<std::string>& Values(std::string_view name) const;
  const std::vector<std::string>& operands() const { return operands_; }

 private:
  friend std::optional<int> ParseCommandLine(int argc, char** argv, const CommandLineSpec& table, CommandLine& line);

  std::map<std::string, std::vector<std::string>, std::less<>> given_;
  std::vector<std::string> operands_;
};

// Reads the arguments by the table. Returns the status the program ends with
// when it ends here: 0 after printing the help or the version on stdout, 2
// after a usage error (an unknown option, a flag given a value, an option
// without one, or an operand where the program takes none). Returns nothing
// when the program goes on with `line` filled.
std::optional<int> ParseCommandLine(int argc, char** argv, const CommandLineSpec& table, CommandLine& line);

// The --help text: the synopsis, the options of the table with --help and
// --version, each help aligned in one column, then the epilogue.
std::string HelpText(const CommandLineSpec& table);

// Prints "program: what" and the hint to --help on stderr; returns 2.
int UsageError(std::string_view program, const std::string& what);
// Prints "program: what" on stderr; returns 1.
int Failure(std::string_view program, const std::string& what);

// A whole text that is a finite number.
bool ParseFiniteNumber(const std::string& text, double& value);
// A whole text that is a finite number greater than zero.
bool ParsePositiveNumber(const std::string& text, double& value);

}  // namespace quarvelin
