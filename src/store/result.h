// How an operation of the core ended. The core never talks to the user:
// where the user is to be told, the result carries the text, and the build
// run shows it.
#pragma once

#include <concepts>
#include <string>
#include <utility>

namespace quarvelin {

// `code` is the operation's own answer: the documented value where the
// operation has one (an enumeration of those values), else done or not.
template <typename Code>
struct [[nodiscard]] Result {
  Code code{};
  std::string message;  // the text to show; empty when there is nothing to tell

  bool ok() const requires std::same_as<Code, bool> { return code; }
};

// Done or not, with what the user is to be told: why not, or, for a step
// that goes on, what it had to pass over.
using Status = Result<bool>;

inline Status Done() { return {true, {}}; }
inline Status Failed(std::string message) { return {false, std::move(message)}; }

}  // namespace quarvelin
