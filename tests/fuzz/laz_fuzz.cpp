// The LAZ reader on any bytes, through the survey reader that picks it by the
// file's name.
#include "point_reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarvelin::fuzz::CheckPointReader(quarvelin::ReadSurveyPoints, "points.laz", data, size);
  return 0;
}
