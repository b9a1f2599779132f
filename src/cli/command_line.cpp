#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "version/build_version.h"

namespace quarvelin {

namespace {

// Every program has these two; they act where they stand, so what comes
// after them is not read.
const OptionSpec kHelpOption{"--help", "", "show this help", "-h"};
const OptionSpec kVersionOption{"--version", "", "show the version and the source revision"};

// Spaces between the longest option and its help.
constexpr size_t kHelpGap = 3;

const OptionSpec* FindOption(const CommandLineSpec& table, std::string_view name) {
  for (const OptionSpec* option : {&kHelpOption, &kVersionOption}) {
    if (option->name == name || option->alias == name) return option;
  }
  for (const OptionSpec& option : table.options) {
    if (option.name == name || (!option.alias.empty() && option.alias == name)) return &option;
  }
  return nullptr;
}

// "--name VALUE" or "--name, -a" as the help shows it.
std::string OptionLabel(const OptionSpec& option) {
  std::string label(option.name);
  if (!option.alias.empty()) label.append(", ").append(option.alias);
  if (!option.valueName.empty()) label.append(" ").append(option.valueName);
  return label;
}

void AppendOptionHelp(std::string& text, const OptionSpec& option, size_t column) {
  std::string help(option.help);
  if (option.repeatable) help += "; may repeat";
  std::string label = "  " + OptionLabel(option);
  size_t start = 0;
  while (start <= help.size()) {
    size_t end = std::min(help.find('\n', start), help.size());
    label.resize(column, ' ');
    text += label + help.substr(start, end - start) + "\n";
    label.clear();
    start = end + 1;
  }
}

}  // namespace

const std::string& CommandLine::Value(std::string_view name) const {
  static const std::string kNone;
  const std::vector<std::string>& values = Values(name);
  return values.empty() ? kNone : values.back();
}

const std::vector<std::string>& CommandLine::Values(std::string_view name) const {
  static const std::vector<std::string> kNone;
  auto it = given_.find(name);
  return it == given_.end() ? kNone : it->second;
}

std::optional<int> ParseCommandLine(int argc, char** argv, const CommandLineSpec& table, CommandLine& line) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') {
      if (!table.takesOperands) return UsageError(table.program, "unknown argument '" + arg + "'");
      line.operands_.push_back(arg);
      continue;
    }
    std::optional<std::string> inlineValue;
    if (size_t eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const OptionSpec* option = FindOption(table, arg);
    if (!option) return UsageError(table.program, "unknown option '" + arg + "'");
    if (option->valueName.empty() && inlineValue) {
      return UsageError(table.program, "option " + arg + " takes no value");
    }
    if (option == &kHelpOption) {
      std::fputs(HelpText(table).c_str(), stdout);
      return 0;
    }
    if (option == &kVersionOption) {
      std::fputs(VersionText(std::string(table.program)).c_str(), stdout);
      return 0;
    }
    std::vector<std::string>& values = line.given_[std::string(option->name)];
    if (option->valueName.empty()) continue;
    if (!inlineValue) {
      if (i + 1 >= argc) return UsageError(table.program, "option " + arg + " needs a value");
      inlineValue = argv[++i];
    }
    if (!option->repeatable) values.clear();
    values.push_back(*inlineValue);
  }
  return std::nullopt;
}

std::string HelpText(const CommandLineSpec& table) {
  size_t widest = std::max(OptionLabel(kHelpOption).size(), OptionLabel(kVersionOption).size());
  for (const OptionSpec& option : table.options) widest = std::max(widest, OptionLabel(option).size());
  const size_t column = 2 + widest + kHelpGap;
  std::string text(table.synopsis);
  text += "\nOptions:\n";
  for (const OptionSpec& option : table.options) AppendOptionHelp(text, option, column);
  AppendOptionHelp(text, kHelpOption, column);
  AppendOptionHelp(text, kVersionOption, column);
  return text + "\n" + std::string(table.epilogue);
}

int UsageError(std::string_view program, const std::string& what) {
  const std::string name(program);
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", name.c_str(), what.c_str(), name.c_str());
  return 2;
}

int Failure(std::string_view program, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", std::string(program).c_str(), what.c_str());
  return 1;
}

bool ParseFiniteNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && stop == end && std::isfinite(value);
}

bool ParsePositiveNumber(const std::string& text, double& value) { return ParseFiniteNumber(text, value) && value > 0; }

}  // namespace quarvelin
