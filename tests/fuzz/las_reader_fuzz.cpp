// The LAS reader on any bytes.
#include "las_reader.h"
#include "point_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarvelin::fuzz::CheckPointReader(quarvelin::ReadLasPoints, "points.las", data, size);
  return 0;
}
