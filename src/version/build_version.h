// The version of the programs and the git revision of the sources they were
// built from, for --version.
#pragma once

#include <string>

namespace quarvelin {

extern const char* const kVersion;   // the project's version, "1.0"
extern const char* const kRevision;  // "git describe --always --dirty", or "unknown"

// "PROGRAM (Quarvelin) VERSION, revision REVISION" and a line feed.
std::string VersionText(const std::string& program);

}  // namespace quarvelin
