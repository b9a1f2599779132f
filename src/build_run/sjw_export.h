// TIN.sjw: the network in the text form of the surveying software that reads
// it: nine "%lf" lines per triangle record (x, y, z of vertex 0, 1, 2), every
// record 0..lastTriangle whatever its state, then "nil" with no line break.
#pragma once

#include <string>

#include "store/model_store.h"

namespace quarvelin {

// "%lf" of `value`, byte for byte as the C library prints it: the exact
// binary value rounded to six decimals, ties to even. Magnitudes from 4 to
// 2^46, which covers coordinates and most heights, are done in integer
// arithmetic, several times faster than the general formatter that takes
// the rest.
void AppendSixDecimals(std::string& out, double value);

// Writes TIN.sjw of the store's project. Fails with "无法打开TIN.sjw文件！"
// when the file cannot be created, or with its own message when writing it
// failed; the build ends then.
Status SjwExport(const ModelStore& store);

}  // namespace quarvelin
