// The reference system of the project being prepared: the one --crs names,
// or else the one the LAS survey files carry.
#pragma once

#include <string>
#include <vector>

#include "crs.h"

namespace quarvelin {

// Notes for the user (a record that does not parse and what is done
// instead) go to `notes`. False with `error` set for a `userInput` that PROJ
// does not know (`usage` set) or LAS files that disagree.
bool SurveyCrs(const std::vector<std::string>& pointFiles, const std::string* userInput, CoordinateSystem& crs,
               std::vector<std::string>& notes, bool& usage, std::string& error);

}  // namespace quarvelin
