#include "version/build_version.h"

namespace quarvelin {

std::string VersionText(const std::string& program) {
  return program + " (Quarvelin) " + kVersion + ", revision " + kRevision + "\n";
}

}  // namespace quarvelin
