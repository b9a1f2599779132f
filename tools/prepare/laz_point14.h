// Compressed records of LAS point formats 6 to 8: each chunk holds its
// first point as it is, then every field group of the following points in
// its own layer (returns and x y, z, class, flags, intensity, ...), each
// with its own stream and its byte count up front, and the models kept per
// scanner channel. Only the layers the project needs are decoded: returns
// and x y, which steer the others, z, and class.
#pragma once

#include "laz_items.h"

namespace quarvelin::laz {

// Null with `why` naming the item when one is not a known item of these formats.
std::unique_ptr<ChunkDecoder> MakePoint14Decoder(const std::vector<Item>& items, std::string& why);

}  // namespace quarvelin::laz
