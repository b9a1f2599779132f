#include "store/grid_index.h"

namespace quarvelin {

bool WriteGridIndex(ModelStore&, std::string&) { return true; }

}  // namespace quarvelin
