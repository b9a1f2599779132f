#include "boundary/boundary_trimming.h"

namespace quarvelin {

bool TrimBoundary(ModelStore&, double, std::string&) { return true; }

}  // namespace quarvelin
