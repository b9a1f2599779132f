// Compressed records of LAS point formats 0 to 3: one arithmetic stream per
// chunk in which every item of a point (the 20-byte core, GPS time, colour,
// extra bytes) is coded after the other, each by its own models, in the
// item versions 1 and 2. The first point of a chunk is stored as it is.
#pragma once

#include "laz_items.h"

namespace quarvelin::laz {

// Null with `why` naming the item when one is not a known item of these formats.
std::unique_ptr<ChunkDecoder> MakePoint10Decoder(const std::vector<Item>& items, std::string& why);

}  // namespace quarvelin::laz
